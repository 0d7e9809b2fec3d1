#include "NameText.h"

#include "TextCodec.h"

namespace corvanth {

std::string StripName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        if (name[pos] == '^' && pos + 1 < name.size()) {
            ++pos;
            NextCodePoint(name, pos); // the caret takes the whole next character with it
            continue;
        }
        out.push_back(name[pos]);
        ++pos;
    }
    return out;
}

std::string EncodeName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 4);
    for (char c : name) {
        if (c == '\'')
            out += "\xC3\xB6";
        else
            out.push_back(c);
    }
    return out;
}

std::string DecodeName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\xC3' && i + 1 < name.size() && name[i + 1] == '\xB6') {
            out.push_back('\'');
            ++i;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

std::string EncodeName1252(std::string_view bytes) {
    std::string out;
    EncodeName1252(bytes, out);
    return out;
}

void EncodeName1252(std::string_view bytes, std::string& out) {
    out.assign(bytes);
    for (char& c : out)
        if (c == '\'') c = '\xF6';
}

} // namespace corvanth
