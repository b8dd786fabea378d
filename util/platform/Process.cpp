// The parts of the process facility that are the same on every host: command
// lines split and joined by the original platform's rules.
#include "Process.h"

namespace qvx {
namespace platform {

void appendCommandLineWord(std::string& line, const char* word, std::size_t length, bool first)
{
    if (!first)
        line += ' ';
    bool plain = length > 0;
    bool hasQuote = false;
    for (std::size_t i = 0; i < length; ++i)
    {
        const char c = word[i];
        if (c == ' ' || c == '\t' || c == '"')
            plain = false;
        hasQuote = hasQuote || c == '"';
    }
    if (plain || (first && hasQuote))
    {
        line.append(word, length);
        return;
    }
    line += '"';
    if (first)
        line.append(word, length);
    else
    {
        std::size_t slashes = 0;
        for (std::size_t i = 0; i < length; ++i)
        {
            const char c = word[i];
            if (c == '\\')
            {
                ++slashes;
                continue;
            }
            // backslashes before a quotation mark are doubled, the mark escaped
            line.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
            slashes = 0;
            line += c;
        }
        line.append(2 * slashes, '\\');  // doubled before the closing mark
    }
    line += '"';
}

std::vector<std::string> splitCommandLine(const std::string& line)
{
    std::vector<std::string> words;
    const std::size_t n = line.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return words;

    // The first word: a path, backslashes taken as they are.
    std::string word;
    if (line[i] == '"')
    {
        const std::size_t close = line.find('"', i + 1);
        const std::size_t end = close == std::string::npos ? n : close;
        word.assign(line, i + 1, end - i - 1);
        i = close == std::string::npos ? n : close + 1;
    }
    while (i < n && !isBlank(line[i]))  // text glued to a quoted first word belongs to it
        word += line[i++];
    words.push_back(word);

    for (;;)
    {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i == n)
            break;
        word.clear();
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i])))
        {
            if (line[i] == '\\')
            {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\')
                    ++slashes, ++i;
                if (i < n && line[i] == '"')
                {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2 == 1)
                    {
                        word += '"';
                        ++i;
                    }
                }
                else
                    word.append(slashes, '\\');
            }
            else if (line[i] == '"')
            {
                if (quoted && i + 1 < n && line[i + 1] == '"')
                {
                    word += '"';  // "" inside quotes: a literal mark, still quoted
                    ++i;
                }
                else
                    quoted = !quoted;
                ++i;
            }
            else
                word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

std::string joinCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (std::size_t k = 0; k < arguments.size(); ++k)
        appendCommandLineWord(line, arguments[k].data(), arguments[k].size(), k == 0);
    return line;
}

}  // namespace platform
}  // namespace qvx
