#include "exif/runtime_error.h"

#include <cerrno>
#include <utility>

namespace tovrin {

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number), m_description(std::move(description)) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, ErrorDescription(number)) {}

std::string ErrorDescription(int number) {
    switch (number) {
        case error::InvalidCall: return "プロシージャの呼び出し、または引数が不正です。";
        case error::Overflow: return "オーバーフローしました。";
        case error::OutOfMemory: return "メモリが不足しています。";
        case error::OutOfRange: return "インデックスが有効範囲にありません。";
        case error::TypeMismatch: return "型が一致しません。";
        case error::BadFileName: return "ファイル名または番号が不正です。";
        case error::FileNotFound: return "ファイルが見つかりません。";
        case error::DeviceIo: return "デバイス I/O エラーです。";
        case error::DiskFull: return "ディスクの空き容量が不足しています。";
        case error::DeviceUnavailable: return "デバイスが準備されていません。";
        case error::PermissionDenied: return "書き込みできません。";
        case error::DiskNotReady: return "ディスクが準備されていません。";
        case error::PathFileAccess: return "パス名が無効です。";
        case error::PathNotFound: return "パスが見つかりません。";
        case error::BadPicture: return "ピクチャが不正です。";
        default: return "";
    }
}

RuntimeError ErrorFromErrno(int errnoValue, bool onFolder) {
    switch (errnoValue) {
        case ENOENT: return RuntimeError(onFolder ? error::PathNotFound : error::FileNotFound);
        case ENOTDIR: return RuntimeError(error::PathNotFound);
        case EIO: return RuntimeError(error::DeviceIo);
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return RuntimeError(error::DiskFull);
        case EACCES:
        case EPERM:
        case EROFS: return RuntimeError(error::PermissionDenied);
#ifdef ENOMEDIUM
        case ENOMEDIUM: return RuntimeError(error::DiskNotReady);
#endif
        case ENXIO:
        case ENODEV: return RuntimeError(error::DeviceUnavailable);
        case ENAMETOOLONG:
        case EILSEQ: return RuntimeError(error::BadFileName);
        default: return RuntimeError(error::PathFileAccess);
    }
}

}  // namespace tovrin
