#pragma once

#include <string>

// What a dry run checks in place of writing, so that it never promises a
// change that the real run would refuse.
namespace tovrin {

// Whether the file system keeps the file from being rewritten whatever its
// permissions say: on Linux the immutable or append-only attribute (chattr
// +i, +a; even root may not rewrite such a file in place), on Windows the
// read-only attribute. False when it cannot tell (a file system without such
// attributes, a file that is gone).
bool IsWriteProtected(const std::string& path);

// Opens the photo for writing as a change opens it, writes nothing and closes
// it again: neither a byte nor a time of the file changes. Throws the
// RuntimeError that the change would meet (53 gone, 70 read-only, immutable
// or append-only, 75 not a regular file, ...). Returns whether the change
// could also set the photo's times (only its owner, or an administrator, may).
bool CheckPhotoWritable(const std::string& path);

}  // namespace tovrin
