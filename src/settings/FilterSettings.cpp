#include "FilterSettings.h"

namespace corvane {

FilterSettings defaultSettings() {
    FilterSettings settings;
    settings.CC_Enable.fill(1);
    settings.CC_Preset = kDefaultCcPresets;
    settings.SysEx_Pattern = kDefaultSysExPattern;
    return settings;
}

}  // namespace corvane
