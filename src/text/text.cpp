// Looking the player's words up in the catalogues, and filling arguments into a sentence.
#include "text/text.h"

#include <libintl.h>

#include <cstring>

const char* text_lookup(const char* msgid) {
    return msgid && *msgid ? dgettext(text_domain, msgid) : msgid;
}

const char* text_lookup_ctx(const char* ctx, const char* msgid) {
    // A catalogue keeps a context as "ctx\004msgid", as gettext's own pgettext does.
    std::string key = std::string(ctx) + '\004' + msgid;
    const char* found = dgettext(text_domain, key.c_str());
    return found == key.c_str() || std::strcmp(found, key.c_str()) == 0 ? msgid : found;
}

const char* text_lookup_plural(const char* one, const char* many, unsigned long n) {
    return dngettext(text_domain, one, many, n);
}

std::string fill(const char* format, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0;  // the argument a plain "%s" takes
    for (const char* p = format; *p; p++) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p++;
            continue;
        }
        size_t index = next;
        const char* q = p + 1;
        if (*q >= '1' && *q <= '9') {
            size_t n = 0;
            while (*q >= '0' && *q <= '9') n = n * 10 + static_cast<size_t>(*q++ - '0');
            if (*q != '$') q = nullptr;
            else {
                index = n - 1;
                q++;
            }
        }
        if (q && *q == 's' && index < args.size()) {
            out += args[index];
            if (index == next) next++;
            p = q;
        } else {
            out += '%';  // not ours: kept as written
        }
    }
    return out;
}

std::string SENTENCE::shown() const {
    if (!args_context) return fill(text_lookup(format), args);
    std::vector<std::string> words;
    for (const std::string& a : args) words.push_back(text_lookup_ctx(args_context, a.c_str()));
    return fill(text_lookup(format), words);
}
