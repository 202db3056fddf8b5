// Helpers shared by the files of the skin manager (SkinManager*.cpp) only.
#pragma once

namespace skinmanager_detail {

// Whether the application window is minimised.
bool ApplicationMinimized();

}  // namespace skinmanager_detail
