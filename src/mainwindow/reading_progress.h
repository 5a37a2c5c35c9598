#pragma once

#include <cstddef>
#include <functional>

#include <QString>

class QWidget;

namespace tovrin {

// Calls read(i) for each i from 0 to total - 1, in order, for a preview that
// reads a folder's photos before its dialog opens. A folder that takes a
// while shows its progress over `parent` under `title`, and can be cancelled
// there: then false is returned and the rest is not read.
bool ReadWithProgress(QWidget* parent, const QString& title, std::size_t total,
                      const std::function<void(std::size_t)>& read);

}  // namespace tovrin
