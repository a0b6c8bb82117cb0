// What a screen reader gets from a TextView: its name, its whole text, the
// text by character, word and line, the caret and the selection.
#pragma once

namespace glifora {

// Lets Qt's accessibility describe every TextView; the first call installs
// the factory, later calls do nothing.
void installTextViewAccessibility();

} // namespace glifora
