#include "save_file.hpp"

#include "replace_file.hpp"
#include "system_reason.hpp"

namespace vanto {

std::string writeFileWhole(const std::string& path, std::string_view bytes)
{
    using glifora::support::ReplaceStep;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    const glifora::support::ReplaceResult result
        = glifora::support::replaceFile(folder.empty() ? "/" : folder, name, bytes);
    const std::string reason = glifora::wording::systemReason(result.error);
    switch (result.failed) {
    case ReplaceStep::None:
        return {};
    case ReplaceStep::Create:
        return "no se puede crear un archivo en la carpeta: " + reason;
    case ReplaceStep::Write:
        return "no se puede escribir: " + reason;
    case ReplaceStep::Sync:
    case ReplaceStep::Stamp:
        return "no se puede escribir en el disco: " + reason;
    case ReplaceStep::Close:
    case ReplaceStep::Lock:
        return "no se puede terminar de escribir: " + reason;
    case ReplaceStep::Rename:
        return "no se puede dar su nombre al archivo escrito: " + reason;
    }
    return {};
}

} // namespace vanto
