#pragma once
// How the desktop knows the reminder program: the name of its installed desktop
// entry (without ".desktop"), which is also the name of its icon in the icon theme.
inline constexpr const char* kDesktopId = "org.norvo.Orbalinder";
