# player_settings_table(DLL HEADER)
#
# Writes HEADER, DLL's table of settings from player/settings.txt: one
# constexpr player::SettingRow a setting, named after its key ("screenshot_key"
# is kScreenshotKey), in namespace player::DLL_settings, and kAll, every row in
# the list's order. The DLL reads each setting through its row, so its default
# and range are written in settings.txt alone.
function(player_settings_table dll header)
    set(list_file ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/settings.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
    file(STRINGS ${list_file} lines REGEX "^${dll} ")
    set(rows "")
    set(all "")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "^${dll} ([a-z_]+)=([^ ]*) ([^ ]+) ")
            message(FATAL_ERROR "${list_file}: not 'dll key=default takes comment': ${line}")
        endif()
        set(key ${CMAKE_MATCH_1})
        set(default ${CMAKE_MATCH_2})
        set(takes ${CMAKE_MATCH_3})
        set(low 0)
        set(high 0)
        set(words "")
        if(takes MATCHES "^(-?[0-9]+)\\.\\.(-?[0-9]+)$")
            set(kind kNumber)
            set(low ${CMAKE_MATCH_1})
            set(high ${CMAKE_MATCH_2})
        elseif(takes STREQUAL "switch")
            set(kind kSwitch)
        elseif(takes STREQUAL "text")
            set(kind kText)
        elseif(takes MATCHES "^[a-z]+(\\|[a-z]+)+$")
            set(kind kWords)
            set(words ${takes})
        else()
            message(FATAL_ERROR "${list_file}: ${key} takes '${takes}': neither LOW..HIGH, switch, words a|b nor text")
        endif()
        # "screenshot_key" -> "kScreenshotKey"
        string(REPLACE "_" ";" parts ${key})
        set(name k)
        foreach(part IN LISTS parts)
            string(SUBSTRING ${part} 0 1 first)
            string(SUBSTRING ${part} 1 -1 rest)
            string(TOUPPER ${first} first)
            string(APPEND name ${first}${rest})
        endforeach()
        string(APPEND rows "constexpr SettingRow ${name} = {\"${key}\", \"${default}\", SettingKind::${kind}, ${low}, ${high}, \"${words}\"};\n")
        string(APPEND all "&${name}, ")
    endforeach()
    if(all STREQUAL "")
        message(FATAL_ERROR "${list_file}: no setting of ${dll}")
    endif()
    string(TOUPPER ${dll} guard)
    file(CONFIGURE OUTPUT ${header} CONTENT
"// Made from player/settings.txt by player/settings.cmake; do not edit.
#ifndef INTRO_PLAYER_${guard}_SETTINGS_TABLE_H
#define INTRO_PLAYER_${guard}_SETTINGS_TABLE_H

#include \"player/common/setting_rules.h\"

namespace player {
namespace ${dll}_settings {

${rows}
constexpr const SettingRow* kAll[] = {${all}};

}  // namespace ${dll}_settings
}  // namespace player

#endif
" @ONLY)
endfunction()
