#pragma once

#include "twips.h"

#include <QStringList>

namespace shell {

inline constexpr const char *kMenuForm = "Form2";
inline constexpr const char16_t *kMenuCaption = u"Sorvantel";
inline constexpr TwipsRect kMenuClient{1932, 2076, 8532, 4800};

inline constexpr int kRecordingButtonWidth = 1332;
inline constexpr int kRecordingButtonHeight = 732;

inline constexpr int kMenuExitButton = 3;
inline constexpr const char16_t *kMenuExitCaption = u"خروج";
inline constexpr TwipsRect kMenuExitRect{7800, 4080, 492, 492};
inline constexpr const char *kMenuExitShape = "Shape10";

// The object names of the menu's buttons in their tab order.
QStringList menuTabOrderNames();

} // namespace shell
