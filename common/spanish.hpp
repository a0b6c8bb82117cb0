#pragma once

class QCoreApplication;
class QFileDialog;

namespace glifora {

// Makes Qt's own texts (message box buttons, the file dialog) Spanish,
// whatever the system's language, and formats numbers and sizes the Spanish
// way. Returns whether Qt's translation was found; without it the program
// still works, with Qt's English texts.
bool installSpanishTranslation(QCoreApplication& app);

// Qt's file dialog writes the files' sizes and dates as the system's locale
// says (LANG, LC_ALL...), "1.10 KiB" and "7 Dec" with none set. This has the
// dialog write them as the rest of the program does, the Spanish way,
// whatever the system says: "1,10 KiB", "7/12/24 10:05", and a folder is a
// "Carpeta". A dialog of the desktop's own, where Qt uses one, formats them
// itself.
void useSpanishFileDetails(QFileDialog& dialog);

}  // namespace glifora
