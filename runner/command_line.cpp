#include "command_line.hpp"

namespace glifora::runner {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::string quoteArgument(std::string_view argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(argument);

    // Backslashes are literal except right before a double quote, where they
    // must be doubled; a quote itself is escaped with one more backslash.
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            quoted.append(2 * backslashes + 1, '\\');
        else
            quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');  // before the closing quote
    quoted += '"';
    return quoted;
}

std::string buildCommandLine(std::string_view prefix, std::string_view imagePath)
{
    std::string line(prefix);
    line += quoteArgument(imagePath);
    return line;
}

std::vector<std::string> splitCommandLine(std::string_view line)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();

    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return arguments;

    // The program name: no escapes, quotes only group.
    std::string program;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"')
            program += line[i++];
        if (i < n)
            ++i;  // closing quote
    } else {
        while (i < n && !isBlank(line[i]))
            program += line[i++];
    }
    arguments.push_back(std::move(program));

    for (;;) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i == n)
            break;

        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t backslashes = 0;
                while (i < n && line[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                    // An even count leaves the quote to the code below.
                } else {
                    argument.append(backslashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    argument += '"';  // "" inside quotes is a literal quote
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            argument += line[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace glifora::runner
