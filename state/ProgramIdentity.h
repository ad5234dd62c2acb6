#pragma once

class QSettings;

// The programs' name and maker, after which the settings are named (~/.config/Zelvo/ZVService.conf
// on Linux). Both programs' main sets them before anything reads a setting or a data folder.
namespace ProgramIdentity
{
// The program's name and version as the windows' titles and the service history show them.
inline constexpr char16_t kTitle[] = u"ZELVO Service";
inline constexpr char16_t kVersion[] = u"V 1.02";

void apply();
// Takes over, once, the settings a version without the organisation's name wrote (under
// "Unknown Organization"): when `current` holds none yet, every key of `earlier` is copied and
// `earlier` is cleared.
void adoptSettings(QSettings& earlier, QSettings& current);
// adoptSettings() on the user's settings files of this program.
void adoptEarlierSettings();
} // namespace ProgramIdentity
