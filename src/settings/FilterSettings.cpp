#include "settings/FilterSettings.h"

namespace corvane {

FilterSettings defaultSettings() {
    FilterSettings settings;
    settings.CC_Enable.fill(1);
    settings.CC_Preset = kDefaultCcPresets;
    settings.SysEx_Pattern = kDefaultSysExPattern;
    return settings;
}

int ccModeByte(const FilterSettings& settings) {
    return settings.CC_Mode == CcMode::All ? 0 : settings.CC_Slot + 1;
}

void applyCcModeByte(int byte, FilterSettings& settings) {
    settings.CC_Mode = byte == 0 ? CcMode::All : CcMode::One;
    settings.CC_Slot = static_cast<std::int16_t>(byte == 0 ? 0 : byte - 1);
}

std::uint8_t sysExModeByte(const FilterSettings& settings) {
    return settings.SysEx_Mode == SysExMode::All || settings.SysEx_Count <= 0 ? 1 : 0;
}

SysExMode sysExModeFromByte(int byte) {
    return byte == 1 ? SysExMode::All : SysExMode::Specify;
}

}  // namespace corvane
