#include "ui/EditorCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/MessageText.h"

namespace corvane {

namespace {

constexpr const char* kProgramName = "corvane";

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption sendOnChange{
        QStringLiteral("send-on-change"),
        QStringLiteral("Send the settings to the unit after every edit, as Update does.")};
    QCommandLineOption device{
        QStringList{QStringLiteral("device")},
        QStringLiteral("Open the MIDI output device of this name, or the one device whose name "
                       "contains it (\"MIDI Mapper\" by its whole name), as the device "
                       "dialog's OK would."),
        QStringLiteral("NAME")};

    Parser() {
        // -h and -v stay short options, while Qt's -platform, -style or -reverse are not read
        // as bundles of one-letter options.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("Editor for the settings of a Corvane MIDI filter unit."));
        parser.addOption(sendOnChange);
        parser.addOption(device);
        parser.addPositionalArgument(
            QStringLiteral("FILE"),
            QStringLiteral("A preset file (.cvp) to load at start. Several files, or a folder of "
                           ".cvp files, make a set list: Page Down and Page Up load and send the "
                           "next and the previous one."),
            QStringLiteral("[FILE...]"));
    }
};

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

void printTo(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Each byte as the character of that number: the parser reads the options' ASCII names, and
// every other byte comes back as it was.
QStringList bytewiseArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromLatin1(argument.data(), static_cast<qsizetype>(argument.size()));
    }
    return list;
}

std::string bytesOf(const QString& bytewise) {
    return bytewise.toLatin1().toStdString();
}

EditorCommandLine withAction(EditorCommandLine::Action action) {
    EditorCommandLine result;
    result.action = action;
    return result;
}

QtMessageHandler g_previousHandler = nullptr;
QString g_platformReason;  // the first complaint of the platform plugins

void reportDisplayFailure(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    const bool fromPlatform =
        context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
    if (type == QtFatalMsg) {
        const QString reason = g_platformReason.isEmpty() ? message : g_platformReason;
        printTo(stderr, QStringLiteral("%1: cannot open a display (%2)\n")
                            .arg(QLatin1String(kProgramName), reason.simplified()));
        std::_Exit(1);
    }
    if (fromPlatform) {
        // Held back: if the start fails, the first warning is the reason worth one line.
        if (g_platformReason.isEmpty() && type != QtDebugMsg && type != QtInfoMsg) {
            g_platformReason = message;
        }
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

}  // namespace

EditorCommandLine answerInfoOptions(int argc, char* argv[]) {
    Parser options;
    // Qt's own options are not known yet and count as errors here; only --help and --version
    // are of interest.
    options.parser.parse(argumentList(argc, argv));
    const bool help =
        options.parser.isSet(options.help) || options.parser.isSet(QStringLiteral("help-all"));
    if (!help && !options.parser.isSet(options.version)) {
        return withAction(EditorCommandLine::Action::Run);
    }
    const QCoreApplication core(argc, argv);  // names the program in the help text
    if (help) {
        printTo(stdout, options.parser.helpText());
    } else {
        printTo(stdout, QStringLiteral("%1 %2\n").arg(QLatin1String(kProgramName),
                                                      QCoreApplication::applicationVersion()));
    }
    return withAction(EditorCommandLine::Action::PrintedInfo);
}

EditorCommandLine parseEditorArguments(const std::vector<std::string>& arguments) {
    Parser options;
    if (!options.parser.parse(bytewiseArguments(arguments))) {
        // The error quotes the argument as given, control bytes and all.
        const std::string shown = escapeControlBytes(bytesOf(options.parser.errorText()));
        std::fprintf(stderr, "%s: %s\n", kProgramName, shown.c_str());
        std::fflush(stderr);
        return withAction(EditorCommandLine::Action::UsageError);
    }
    EditorCommandLine result;
    for (const QString& path : options.parser.positionalArguments()) {
        result.presetPaths.emplace_back(bytesOf(path));
    }
    result.sendOnChange = options.parser.isSet(options.sendOnChange);
    result.deviceName = bytesOf(options.parser.value(options.device));
    return result;
}

QString missingDisplayReason(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return {};
    }
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform") ||
            argument.startsWith(QLatin1String("-platform="))) {
            return {};
        }
    }
    return QStringLiteral("DISPLAY / WAYLAND_DISPLAY not set");
}

DisplayFailureGuard::DisplayFailureGuard() {
    g_platformReason.clear();
    g_previousHandler = qInstallMessageHandler(reportDisplayFailure);
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
}

}  // namespace corvane
