#pragma once

class QCoreApplication;

namespace glifora {

// Makes Qt's own texts (message box buttons, the file dialog) Spanish,
// whatever the system's language, and formats numbers and sizes the Spanish
// way. Returns whether Qt's translation was found; without it the program
// still works, with Qt's English texts.
bool installSpanishTranslation(QCoreApplication& app);

}  // namespace glifora
