#pragma once

namespace upd {

// Texts that several commands show.
inline constexpr const char* kDoesNotExist = " не съществува!";
inline constexpr const char* kDone = "Готово!";

}  // namespace upd
