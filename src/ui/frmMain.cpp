#include "ui/frmMain.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QResource>
#include <QScreen>
#include <QSignalBlocker>

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "ui/ControllerNames.h"
#include "ui/SystemColours.h"

// The skin lives in the resources of a static library, which the linker keeps only when named.
static corvane::PackedPicture packedSkinPicture(const char* name) {
    Q_INIT_RESOURCE(skin);
    const QResource resource(QStringLiteral(":/skin/") + QLatin1String(name));
    return corvane::unpackPicture(resource.uncompressedData()).value_or(corvane::PackedPicture{});
}

namespace corvane {

namespace {

// Wayland takes a window's mask as its input region only: there the key colour must be painted
// see-through as well.
bool maskShapesInputOnly() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// The picture with alpha 0 wherever it has the key colour.
QImage withKeyColourSeeThrough(const QImage& skin) {
    QImage picture = skin.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (row[x] == kSkinKeyColour) {
                row[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return picture;
}

// The icon at 32 pixels, and at 64 on screens of more than one device pixel per pixel.
QIcon skinWindowIcon() {
    QIcon icon(QPixmap::fromImage(packedSkinPicture("icon.pack").picture));
    if (qGuiApp->devicePixelRatio() > 1.0) {
        QImage fine = packedSkinPicture("icon@2x.pack").picture;
        fine.setDevicePixelRatio(2.0);
        icon.addPixmap(QPixmap::fromImage(fine));
    }
    return icon;
}

// Appends the items with the list's Click handler silent, and leaves no item chosen.
template <typename Texts>
void fillList(QComboBox* list, const Texts& texts) {
    const QSignalBlocker silent(list);
    for (const auto& text : texts) {
        list->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
    list->setCurrentIndex(-1);
}

}  // namespace

frmMain::frmMain(MidiOutPort& port, UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_port(port),
      m_dialogs(dialogs),
      m_transfer(port, dumpDoneOnThisThread()),
      m_skin(packedSkinPicture("skin.pack")) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Form1"));
    setAccessibleName(QStringLiteral("Corvane"));
    setAcceptDrops(true);
    setWindowIcon(skinWindowIcon());
    setFixedSize(kWindowWidth, kWindowHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, systemColour(SystemColour::COLOR_CAPTIONTEXT, palette));
    setPalette(palette);
    createControls();
    connectHandlers();
    createShortcuts();
    createSetListStrip();
    createContextMenu();
    Form_Load();
    if (maskShapesInputOnly()) {
        setAttribute(Qt::WA_TranslucentBackground);
        m_skin.picture = withKeyColourSeeThrough(m_skin.picture);
    }
}

// Runs once, before the window is first shown.
void frmMain::Form_Load() {
    if (!m_skin.picture.isNull()) {
        setMask(m_skin.shape);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect full = screen->geometry();
        move(full.topLeft() + centredWindowPosition(full.size()));
    }

    std::array<std::string, kVelocityMax> velocities;
    for (int n = kVelocityMin; n <= kVelocityMax; ++n) {
        velocities[static_cast<std::size_t>(n - 1)] = ' ' + std::to_string(n);
    }
    fillList(listWidget(EditorList::cmbVelocity), velocities);
    fillList(listWidget(EditorList::cmbCCNumber), controllerNames());
    fillList(listWidget(EditorList::cmbCC_Index), controllerNames());

    m_model.Form_Load();
    showModel();
    m_history.start(m_model);
    // No device has been chosen: the port lent to the window starts closed.
    listWidget(EditorList::cmbChannel)->setFocus();
}

// Each device pixel ratio gets the finest picture it can use; between 1 and 2 the fine one is
// scaled down smoothly.
void frmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QImage& picture = skinPicture(ratio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, picture.devicePixelRatio() != ratio);
    painter.drawImage(0, 0, picture);
}

const QImage& frmMain::skinPicture(qreal ratio) {
    if (ratio > 1.0 && !m_fineSkinRead) {
        m_fineSkinRead = true;
        m_fineSkin = packedSkinPicture("skin@2x.pack").picture;
        m_fineSkin.setDevicePixelRatio(2.0);
        if (maskShapesInputOnly()) {
            m_fineSkin = withKeyColourSeeThrough(m_fineSkin);
        }
    }
    return ratio > 1.0 && !m_fineSkin.isNull() ? m_fineSkin : m_skin.picture;
}

QPoint centredWindowPosition(QSize screen) {
    // Twips, single precision, each term halved on its own.
    const float top = static_cast<float>(screen.height() * kTwipsPerPixel) / 2.0f -
                      static_cast<float>(kWindowHeight * kTwipsPerPixel) / 2.0f;
    const float left = static_cast<float>(screen.width() * kTwipsPerPixel) / 2.0f -
                       static_cast<float>(kWindowWidth * kTwipsPerPixel) / 2.0f;
    const auto toPixels = [](float twips) {
        return static_cast<int>(std::lround(twips / static_cast<float>(kTwipsPerPixel)));
    };
    return {toPixels(left), toPixels(top)};
}

}  // namespace corvane
