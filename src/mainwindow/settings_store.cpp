#include "mainwindow/settings_store.h"

#include <array>
#include <charconv>
#include <cmath>
#include <memory>

#include <QLocale>
#include <QSettings>

#include "exif/runtime_error.h"

namespace tovrin {

namespace {

// The store of an application and its sections. On Windows it is the
// registry key where Windows programs keep such a store,
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Quarnel\Tovrin,
// each value a string (REG_SZ); elsewhere one INI file per user, named after
// the application, with the section as its group: <config>/Quarnel.ini,
// [Tovrin].
const QString Application = QStringLiteral("Quarnel");
const QString Section = QStringLiteral("Tovrin");

QString& StoreOverride() {
    static QString location;
    return location;
}

std::unique_ptr<QSettings> OpenStore() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(settings::StoreLocation(), QSettings::NativeFormat);
#else
    if (!StoreOverride().isEmpty())
        return std::make_unique<QSettings>(StoreOverride(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, Application);
#endif
}

QString KeyPath(const QString& key) { return Section + QLatin1Char('/') + key; }

}  // namespace

QString StoredText(const QVariant& value) {
    const int type = value.typeId();
    if (type == QMetaType::Float || type == QMetaType::Double) {
        // The shortest text that reads back as the same single-precision
        // value: 0.1f is "0.1", not "0.100000001".
        std::array<char, 32> buffer{};
        const auto result =
            std::to_chars(buffer.data(), buffer.data() + buffer.size(), value.toFloat());
        return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    }
    return value.toString();
}

namespace settings {

void UseStore(const QString& location) { StoreOverride() = location; }

QString StoreLocation() {
    if (!StoreOverride().isEmpty()) return StoreOverride();
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
           Application;
#else
    return QSettings(QSettings::IniFormat, QSettings::UserScope, Application).fileName();
#endif
}

QString GetReg(const QString& key, const QVariant& defaultValue) {
    const std::unique_ptr<QSettings> settings = OpenStore();
    const QVariant stored = settings->value(KeyPath(key));
    if (!stored.isValid()) {
        return StoredText(defaultValue);
    }
    return stored.toString();
}

void SetReg(const QString& key, const QVariant& value) {
    const std::unique_ptr<QSettings> settings = OpenStore();
    settings->setValue(KeyPath(key), StoredText(value));
    // Written now: the program may end right after its last SetReg.
    settings->sync();
}

}  // namespace settings

float StoredNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    float value = QLocale().toFloat(trimmed, &ok);
    if (!ok) {
        value = QLocale::c().toFloat(trimmed, &ok);
    }
    if (ok && std::isfinite(value)) {
        return value;
    }
    // A number the conversion refused only for its size is an overflow (or,
    // when tiny, zero); "nan", "inf" and anything else are no number at all.
    bool isNumber = false;
    double wide = QLocale().toDouble(trimmed, &isNumber);
    if (!isNumber) {
        wide = QLocale::c().toDouble(trimmed, &isNumber);
    }
    if (isNumber && std::isfinite(wide) && std::abs(wide) < 1.0) {
        return static_cast<float>(wide);  // too small for single precision: zero
    }
    if (isNumber ? std::isfinite(wide) : std::isinf(wide)) {
        throw RuntimeError(error::Overflow);
    }
    throw RuntimeError(error::TypeMismatch);
}

}  // namespace tovrin
