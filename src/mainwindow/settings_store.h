#pragma once

#include <QString>
#include <QVariant>

namespace tovrin {

// The per-user settings store: application
// "Quarnel", section "Tovrin", text values. Start-up and shutdown use them.
namespace settings {

// The stored text of `key`, or `defaultValue` as text when the key, the
// section or the store is absent. Reading never creates an entry.
QString GetReg(const QString& key, const QVariant& defaultValue);
// Stores `value` as text, creating the section when missing; numbers become
// the plain decimal text of a single-precision value ("12735", "-45").
void SetReg(const QString& key, const QVariant& value);

// Where the store is kept: on Windows the registry key of the application
// (sections are its subkeys), elsewhere the INI file. A test points it at a
// scratch key or file of its own; "" goes back to the user's store.
void UseStore(const QString& location);
QString StoreLocation();

// "1" while runs rewrite only the EXIF texts of a photo's date; anything
// else, or nothing stored, keeps its copies in step.
inline const QString ExifOnlyKey = QStringLiteral("ExifOnly");
// "1" while a photo without EXIF gets a block of its own holding the new
// date; anything else, or nothing stored, reports it as having no date.
inline const QString AddMissingKey = QStringLiteral("AddMissing");

}  // namespace settings

// A value as the store keeps it: single-precision numbers in their shortest
// decimal form, everything else as QVariant turns it into text.
QString StoredText(const QVariant& value);

// The text of a stored number as a single-precision value, by the locale's
// number rules (plain C notation is always understood). A text that is not a
// number raises RuntimeError 13, a number beyond single precision 6.
float StoredNumber(const QString& text);

}  // namespace tovrin
