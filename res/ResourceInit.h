// Registers the resources compiled into the program (pictures, statement, translations).
#pragma once

namespace quilbo {
// Call once from main() (and from tests that need resources) before any resource is used.
void initResources();
}  // namespace quilbo
