#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "PresetHeaders.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"

namespace corvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

class PresetTextBuilder {
  public:
    void header(std::string_view text) {
        m_text += '"';
        m_text += text;
        m_text += '"';
        m_text += kLineEnd;
    }

    void value(int number) {
        m_text += std::to_string(number);
        m_text += kLineEnd;
    }

    template <typename Container>
    void list(const Container& numbers) {
        bool first = true;
        for (const auto number : numbers) {
            if (!first) {
                m_text += ',';
            }
            m_text += std::to_string(static_cast<int>(number));
            first = false;
        }
        m_text += kLineEnd;
    }

    std::string take() { return std::move(m_text); }

  private:
    std::string m_text;
};

}  // namespace

std::string writePresetText(const FilterSettings& settings) {
    PresetTextBuilder file;
    file.header(kHeaderVersion);
    file.header(kHeaderChannel);
    file.value(settings.Channel);
    file.header(kHeaderTranspose);
    file.value(settings.Transpose);
    file.header(kHeaderVelocity);
    file.value(settings.Velocity);
    file.header(kHeaderControlChange);
    file.value(ccModeByte(settings));
    file.list(buildCcMap(settings.CC_Enable));
    file.list(settings.CC_Preset);
    file.header(kHeaderPitchBend);
    file.value(settings.PitchBend);
    file.header(kHeaderAfterTouch);
    file.value(settings.AfterTouch);
    file.header(kHeaderSysEx);
    file.value(sysExModeByte(settings));
    std::array<std::int16_t, kPatternSize + 1> countAndPattern{};
    countAndPattern[0] = settings.SysEx_Count;
    std::copy(settings.SysEx_Pattern.begin(), settings.SysEx_Pattern.end(),
              countAndPattern.begin() + 1);
    file.list(countAndPattern);
    return file.take();
}

PresetSaveResult savePresetFile(const std::filesystem::path& path, const FilterSettings& settings) {
    return saveFileSafely(path, writePresetText(settings));
}

}  // namespace corvane
