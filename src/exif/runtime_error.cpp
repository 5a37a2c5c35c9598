#include "exif/runtime_error.h"

#include <cerrno>
#include <utility>

namespace tovrin {

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number), m_description(std::move(description)) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, ErrorDescription(number)) {}

std::string ErrorDescription(int number) {
    switch (number) {
        case error::InvalidCall:
            return "プロシージャの呼び出し、または引数が不正です。";
        case error::Overflow:
            return "オーバーフローしました。";
        case error::OutOfMemory:
            return "メモリが不足しています。";
        case error::OutOfRange:
            return "インデックスが有効範囲にありません。";
        case error::TypeMismatch:
            return "型が一致しません。";
        case error::BadFileName:
            return "ファイル名または番号が不正です。";
        case error::FileNotFound:
            return "ファイルが見つかりません。";
        case error::DeviceIo:
            return "デバイス I/O エラーです。";
        case error::DiskFull:
            return "ディスクの空き容量が不足しています。";
        case error::DeviceUnavailable:
            return "デバイスが準備されていません。";
        case error::PermissionDenied:
            return "書き込みできません。";
        case error::DiskNotReady:
            return "ディスクが準備されていません。";
        case error::PathFileAccess:
            return "パス名が無効です。";
        case error::PathNotFound:
            return "パスが見つかりません。";
        case error::BadPicture:
            return "ピクチャが不正です。";
        default:
            return "";
    }
}

RuntimeError ErrorFromErrno(int errnoValue, bool onFolder) {
    switch (errnoValue) {
        case ENOENT:
            return RuntimeError(onFolder ? error::PathNotFound : error::FileNotFound);
        case ENOTDIR:
            return RuntimeError(error::PathNotFound);
        case EIO:
            return RuntimeError(error::DeviceIo);
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return RuntimeError(error::DiskFull);
        case EACCES:
        case EPERM:
        case EROFS:
            return RuntimeError(error::PermissionDenied);
#ifdef ENOMEDIUM
        case ENOMEDIUM:
            return RuntimeError(error::DiskNotReady);
#endif
        case ENXIO:
        case ENODEV:
            return RuntimeError(error::DeviceUnavailable);
        case ENAMETOOLONG:
        case EILSEQ:
            return RuntimeError(error::BadFileName);
        default:
            return RuntimeError(error::PathFileAccess);
    }
}

}  // namespace tovrin

namespace tovrin {

// Codes from winerror.h, written out so that the mapping is plain data on
// every platform.
RuntimeError ErrorFromWin32(unsigned long code, bool onFolder) {
    switch (code) {
        case 2:  // ERROR_FILE_NOT_FOUND
            return RuntimeError(onFolder ? error::PathNotFound : error::FileNotFound);
        case 3:    // ERROR_PATH_NOT_FOUND
        case 161:  // ERROR_BAD_PATHNAME
        case 267:  // ERROR_DIRECTORY (a file where a folder was named)
            return RuntimeError(error::PathNotFound);
        case 5:   // ERROR_ACCESS_DENIED
        case 19:  // ERROR_WRITE_PROTECT
        case 32:  // ERROR_SHARING_VIOLATION
        case 33:  // ERROR_LOCK_VIOLATION
            return RuntimeError(error::PermissionDenied);
        case 21:    // ERROR_NOT_READY
        case 1112:  // ERROR_NO_MEDIA_IN_DRIVE
            return RuntimeError(error::DiskNotReady);
        case 15:    // ERROR_INVALID_DRIVE
        case 55:    // ERROR_DEV_NOT_EXIST
        case 1167:  // ERROR_DEVICE_NOT_CONNECTED
            return RuntimeError(error::DeviceUnavailable);
        case 23:    // ERROR_CRC
        case 25:    // ERROR_SEEK
        case 27:    // ERROR_SECTOR_NOT_FOUND
        case 29:    // ERROR_WRITE_FAULT
        case 30:    // ERROR_READ_FAULT
        case 31:    // ERROR_GEN_FAILURE
        case 1117:  // ERROR_IO_DEVICE
            return RuntimeError(error::DeviceIo);
        case 39:    // ERROR_HANDLE_DISK_FULL
        case 112:   // ERROR_DISK_FULL
        case 1295:  // ERROR_DISK_QUOTA_EXCEEDED
            return RuntimeError(error::DiskFull);
        case 123:  // ERROR_INVALID_NAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
            return RuntimeError(error::BadFileName);
        default:
            return RuntimeError(error::PathFileAccess);
    }
}

RuntimeError ErrorFromCode(const std::error_code& code, bool onFolder) {
#ifdef _WIN32
    if (code.category() == std::system_category())
        return ErrorFromWin32(static_cast<unsigned long>(code.value()), onFolder);
#endif
    return ErrorFromErrno(code.value(), onFolder);
}

}  // namespace tovrin
