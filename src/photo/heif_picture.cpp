#include "photo/heif_picture.h"

#ifdef TOVRIN_HAVE_LIBHEIF

#include <cstdint>
#include <memory>
#include <utility>

#include <QFile>

#include <libheif/heif.h>

namespace tovrin::heif {

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;

// The library is set up once for the whole program and left so.
void initOnce() {
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    static_cast<void>(done);
}

// The open file and its primary image; both null when it cannot be read.
struct Primary {
    Context context;
    Handle handle;
};

Primary openPrimary(const QString& path) {
    initOnce();
    Primary p;
    p.context.reset(heif_context_alloc());
    if (!p.context) return {};
    const QByteArray name = QFile::encodeName(path);
    if (heif_context_read_from_file(p.context.get(), name.constData(), nullptr).code !=
        heif_error_Ok)
        return {};
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(p.context.get(), &handle).code != heif_error_Ok)
        return {};
    p.handle.reset(handle);
    return p;
}

}  // namespace

bool Available() { return true; }

QSize PrimarySize(const QString& path) {
    const Primary p = openPrimary(path);
    if (!p.handle) return {};
    const QSize size(heif_image_handle_get_width(p.handle.get()),
                     heif_image_handle_get_height(p.handle.get()));
    return size.isEmpty() ? QSize() : size;
}

QImage DecodePrimary(const QString& path, QSize atLeast) {
    const Primary p = openPrimary(path);
    if (!p.handle) return {};
    // The smallest stored thumbnail that is large enough, else the primary image.
    Handle thumbnail;
    if (!atLeast.isEmpty()) {
        heif_item_id ids[8] = {};
        const int count = heif_image_handle_get_list_of_thumbnail_IDs(p.handle.get(), ids, 8);
        for (int i = 0; i < count && i < 8; ++i) {
            heif_image_handle* h = nullptr;
            if (heif_image_handle_get_thumbnail(p.handle.get(), ids[i], &h).code != heif_error_Ok)
                continue;
            Handle candidate(h);
            const int w = heif_image_handle_get_width(h), hh = heif_image_handle_get_height(h);
            const bool fits = w >= atLeast.width() && hh >= atLeast.height();
            if (fits && (!thumbnail || w < heif_image_handle_get_width(thumbnail.get())))
                thumbnail = std::move(candidate);
        }
    }
    heif_image* decoded = nullptr;
    if (heif_decode_image(thumbnail ? thumbnail.get() : p.handle.get(), &decoded,
                          heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
            .code != heif_error_Ok)
        return {};
    const Image image(decoded);
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < 4 * width) return {};
    // A copy of our own: the library's plane goes with its image.
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
}

}  // namespace tovrin::heif

#else

namespace tovrin::heif {

bool Available() { return false; }
QSize PrimarySize(const QString&) { return {}; }
QImage DecodePrimary(const QString&, QSize) { return {}; }

}  // namespace tovrin::heif

#endif
