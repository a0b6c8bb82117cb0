#pragma once

class QCoreApplication;

namespace glifora {

// Makes Qt's own texts (message box buttons, the file dialog) Spanish,
// whatever the system's language.
void installSpanishTranslation(QCoreApplication& app);

}  // namespace glifora
