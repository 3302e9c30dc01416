// The catalogue's icon pictures, filled by the main window at start from the
// profiles' icon folder; the profile field and the picker look the icons of
// categories and formats up here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"

// One icon picture: ID is the picture's file name without its extension.
struct TProfileIcon {
  std::string ID;
  std::unique_ptr<TPicture> Picture;
};
extern std::vector<TProfileIcon> ProfileIcons;
