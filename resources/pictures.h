#pragma once
// The pictures compiled into the program (drawn by scripts/make_pictures.sh).

namespace kelvane::res {

inline constexpr char kBitmap160[] = ":/bitmaps/160.png";  // the maker's logo, 120 x 42
inline constexpr char kBitmap161[] = ":/bitmaps/161.png";  // thank-you picture, 515 x 291
// Icon 128 in its three sizes.
inline constexpr char kIcon128Size16[] = ":/icons/128-16.png";
inline constexpr char kIcon128Size32[] = ":/icons/128-32.png";
inline constexpr char kIcon128Size48[] = ":/icons/128-48.png";

// Registers the pictures with Qt's resource system. A static library's resources
// are dropped by the linker unless something calls this; safe to call repeatedly.
void LoadPictures();

}  // namespace kelvane::res
