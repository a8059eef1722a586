#include "sync/ScriptCheck.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Blank-separated tokens with the line each starts on, as readScript splits
// the file.
class Tokens {
  public:
    explicit Tokens(std::string text) : text(std::move(text)) {}

    bool next(std::string& token) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
            if (text[at] == '\n') ++line;
            ++at;
        }
        if (at >= text.size()) return false;
        const size_t start = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        token = text.substr(start, at - start);
        return true;
    }
    int32_t lineNumber() const { return line; }

  private:
    std::string text;
    size_t at = 0;
    int32_t line = 1;
};

bool isNumber(const std::string& token) {
    size_t i = token[0] == '+' || token[0] == '-' ? 1 : 0;
    if (i == token.size()) return false;
    for (; i < token.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(token[i]))) return false;
    return true;
}

struct Checker {
    Tokens tokens;
    std::string problem;

    bool fail(const std::string& what, const std::string& token, bool atEnd) {
        if (atEnd)
            problem = "line " + std::to_string(tokens.lineNumber()) + ": the script ends where " +
                      what + " belongs";
        else
            problem = "line " + std::to_string(tokens.lineNumber()) + ": '" + token +
                      "' is not a number (" + what + ")";
        return false;
    }

    bool number(const std::string& what, int64_t& value) {
        std::string token;
        if (!tokens.next(token)) return fail(what, token, true);
        if (!isNumber(token)) return fail(what, token, false);
        value = std::strtoll(token.c_str(), nullptr, 10);
        return true;
    }

    // A label and a count; the count of items that follow (none when negative).
    bool header(const std::string& block, int64_t& count) {
        std::string label;
        if (!tokens.next(label)) return fail(block + "'s label", label, true);
        if (!number(block + "'s count", count)) return false;
        if (count < 0) count = 0;
        return true;
    }

    bool script() {
        int64_t patterns = 0;
        // An empty file is an empty script.
        std::string first;
        {
            Tokens probe = tokens;
            if (!probe.next(first)) return true;
        }
        if (!header("the script", patterns)) return false;
        for (int64_t p = 0; p < patterns; ++p) {
            int64_t tracks = 0;
            if (!header("pattern " + std::to_string(p), tracks)) return false;
            for (int64_t t = 0; t < tracks; ++t) {
                int64_t events = 0;
                const std::string track =
                    "track " + std::to_string(t) + " of pattern " + std::to_string(p);
                if (!header(track, events)) return false;
                for (int64_t e = 0; e < events; ++e) {
                    int64_t value = 0;
                    const std::string event = "event " + std::to_string(e) + " of " + track;
                    if (!number(event + ": position", value) || !number(event + ": value", value) ||
                        !number(event + ": duration", value))
                        return false;
                }
            }
        }
        return true;
    }
};

} // namespace

std::string scriptProblem(const char* fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) return std::string("cannot open ") + fileName + ": " + std::strerror(errno);
    std::ostringstream text;
    text << file.rdbuf();
    Checker checker{Tokens(text.str()), {}};
    if (checker.script()) return {};
    return std::string(fileName) + ", " + checker.problem;
}
