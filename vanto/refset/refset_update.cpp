// refset_update <refset.db built-in> <tool folder>: brings the built-in
// reference set into the tool folder's refset.db and keeps every reference
// the user taught there. What the build and make install run instead of a
// plain copy, which would lose them. A refset.db that does not read as a
// reference set is moved aside whole, under a name it prints, and never
// written over.
#include "refset.hpp"
#include "teaching.hpp"
#include "wording.hpp"

#include <iostream>

int main(int argc, char** argv)
{
    using namespace vanto::vecplan;
    if (argc != 3) {
        std::cout << "Uso: refset_update <refset.db incorporado> <carpeta de las herramientas>\n";
        return 2;
    }
    std::string error;
    const std::optional<std::string> builtIn = readRefsetText(argv[1], error);
    if (!builtIn) {
        std::cout << "refset_update: " << error << '\n';
        return 1;
    }
    const std::string toolDir = argv[2];
    const std::string target = toolDir + "/refset.db";
    const BuiltInUpdate update = updateBuiltIn(toolDir, *builtIn);
    if (!update.setAside.empty()) {
        std::cout << "refset_update: " << update.store.message
                  << " Se aparta entera, sin tocarla, como " << update.setAside
                  << "; las referencias enseñadas que tenga siguen ahí.\n";
    }
    if (!update.store.ok()) {
        std::cout << "refset_update: " << describeStoreFailure(update.store, toolDir) << '\n';
        return 1;
    }
    if (update.written && update.kept > 0)
        std::cout << "refset_update: " << target << ": parte incorporada al día; se conservan "
                  << update.kept
                  << (update.kept == 1 ? " referencia enseñada.\n" : " referencias enseñadas.\n");
    return 0;
}
