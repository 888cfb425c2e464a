#pragma once

class QCoreApplication;

namespace trevanto {

// Gives Qt's own texts, such as the text boxes' context menu (Desfazer, Copiar,
// Colar...) and the standard buttons, in Brazilian Portuguese: Qt's qtbase
// translation, from Qt's translations folder (Debian's qt6-translations-l10n). It is
// Brazilian Portuguese whatever the system's locale, as every text of the program's
// own is. Returns false, leaving Qt's texts in English, when the translation is not
// installed.
bool installQtTranslations(QCoreApplication &app);

} // namespace trevanto
