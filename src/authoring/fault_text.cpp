// The checks' English faults shown in the language in force.
#include "authoring/fault_text.h"

#include "authoring/district_files.h"
#include "authoring/level_check.h"
#include "authoring/level_map.h"
#include "authoring/routes.h"
#include "text/english.h"
#include "world/district.h"
#include "world/level.h"

std::string shown_fault(const std::string& english) {
    static const std::vector<const ENGLISH_FORMATS*> tables = {&map_fault_formats,      &route_fault_formats,
                                                               &check_fault_formats,    &level_read_formats,
                                                               &district_fault_formats, &district_file_formats};
    return shown_english(english, tables);
}
