// The rule for a district's folder name, shared by the code that lists districts and the code
// that writes them.
#ifndef OSA_WORLD_DISTRICT_NAME_H
#define OSA_WORLD_DISTRICT_NAME_H

#include <string>

constexpr std::size_t district_folder_name_max = 40;  // characters

// True when name can be a district's folder: lower case letters, digits and '-', 1 to
// district_folder_name_max characters, not starting with '-' (so that it is never read as an
// option, nor as "." or "..").
inline bool is_district_folder_name(const std::string& name) {
    if (name.empty() || name.size() > district_folder_name_max || name[0] == '-') return false;
    for (char ch : name)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-')) return false;
    return true;
}

#endif
