#pragma once

#include <QString>

class QLocale;

namespace korvane {

// Qt's own texts (the buttons of a message box, a file dialog's captions) in
// the operator's language: qtbase for `locale`, or Chinese (zh_CN) where Qt
// has none for it. Returns the name of the locale loaded, empty when no
// translation was found at all (package qt6-translations-l10n missing).
QString installQtTranslations(const QLocale &locale);

} // namespace korvane
