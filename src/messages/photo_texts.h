#pragma once

namespace tovrin {

// What the readout and a run say of a photo without EXIF dates they can use.
inline constexpr const char* NoDateText = "ファイルの日付情報が取得できません";

}  // namespace tovrin
