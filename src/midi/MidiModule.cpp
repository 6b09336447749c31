#include "midi/MidiModule.h"

#include <dlfcn.h>

#include <atomic>
#include <string>
#include <system_error>
#include <utility>

#include "midi/MidiModuleAbi.h"
#include "midi/MidiOutPort.h"

#ifndef CORVANE_MIDI_MODULE_DIR_FROM_BIN
#error "the build gives CORVANE_MIDI_MODULE_DIR_FROM_BIN, the installed module folder"
#endif

namespace corvane {

namespace {

struct LoadedModule {
    const MidiModuleTable* table = nullptr;
    std::string error;  // why there is no table
};

std::atomic<const MidiModuleTable*> g_loadedTable{nullptr};

LoadedModule tryLoad(const std::filesystem::path& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return {nullptr, why != nullptr ? why : file.string() + ": cannot be loaded"};
    }
    const auto entry = reinterpret_cast<MidiModuleEntry>(dlsym(handle, kMidiModuleEntry));
    const MidiModuleTable* table = entry != nullptr ? entry() : nullptr;
    if (table == nullptr || table->abi != kMidiModuleAbi) {
        dlclose(handle);
        return {nullptr, file.string() + " is of another build of this program"};
    }
    return {table, {}};
}

LoadedModule loadModule() {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) {
        return {nullptr, "the program's own file is not known (" + failed.message() + ")"};
    }
    LoadedModule result{nullptr, std::string(kMidiModuleFile) + " is neither beside " +
                                     program.string() + " nor in " +
                                     midiModuleCandidates(program).back().parent_path().string()};
    for (const std::filesystem::path& file : midiModuleCandidates(program)) {
        if (!std::filesystem::exists(file, failed)) {
            continue;
        }
        result = tryLoad(file);
        if (result.table != nullptr) {
            break;
        }
    }
    return result;
}

// Loaded at the first need, once for the process, and never unloaded: every service it made
// runs its code.
const LoadedModule& loadedModule() {
    static const LoadedModule module = [] {
        LoadedModule loaded = loadModule();
        g_loadedTable = loaded.table;
        return loaded;
    }();
    return module;
}

class ModuleMidiOutService final : public MidiOutService {
  public:
    bool isAvailable() override { return backend() && m_backend->isAvailable(); }
    int deviceCount() override { return backend() ? m_backend->deviceCount() : 0; }
    std::string deviceName(int id) override {
        return backend() ? m_backend->deviceName(id) : std::string();
    }
    MidiResult open(int id) override {
        return backend() ? m_backend->open(id) : MidiResult::NoService;
    }
    MidiResult close() override { return backend() ? m_backend->close() : MidiResult::NotOpen; }
    bool isOpen() const override { return m_backend && m_backend->isOpen(); }
    MidiResult send(std::span<const std::uint8_t> message) override {
        return backend() ? m_backend->send(message) : MidiResult::NotOpen;
    }
    // Reached with a port open only, so with a back end.
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override {
        if (backend()) {
            m_backend->sendDump(std::move(packets), std::move(done));
            return;
        }
        done(refusedDump(packets.size(), MidiResult::NotOpen, m_loadError));
    }
    std::string lastError() const override {
        return m_backend ? m_backend->lastError() : m_loadError;
    }

  private:
    bool backend() {
        if (m_backend == nullptr && m_loadError.empty()) {
            const LoadedModule& module = loadedModule();
            if (module.table != nullptr) {
                m_backend.reset(module.table->createService());
            } else {
                m_loadError = "The MIDI back end could not be loaded: " + module.error + ".";
            }
        }
        return m_backend != nullptr;
    }

    std::unique_ptr<MidiOutService> m_backend;
    std::string m_loadError;
};

}  // namespace

std::unique_ptr<MidiOutService> createModuleMidiOutService() {
    return std::make_unique<ModuleMidiOutService>();
}

std::vector<std::filesystem::path> midiModuleCandidates(const std::filesystem::path& program) {
    const std::filesystem::path folder = program.parent_path();
    return {folder / kMidiModuleFile,
            (folder / CORVANE_MIDI_MODULE_DIR_FROM_BIN / kMidiModuleFile).lexically_normal()};
}

void endAtOnceIfModuleCallsAbandoned(int status) {
    if (const MidiModuleTable* table = g_loadedTable.load()) {
        table->endAtOnceIfCallsAbandoned(status);
    }
}

}  // namespace corvane
