# Fails when a Markdown text shows an image (![text](path)) that is not there. Run as
#   cmake -DMANUAL=docs/manual/handbuch.md -P cmake/CheckManualImages.cmake
# Paths are relative to the text's folder. HTML comments are no references: the manual
# marks the places of screenshots still to come with them.
if(NOT MANUAL)
    message(FATAL_ERROR "usage: cmake -DMANUAL=<file.md> -P CheckManualImages.cmake")
endif()
file(READ "${MANUAL}" text)
get_filename_component(folder "${MANUAL}" DIRECTORY)
string(REGEX REPLACE "<!--([^-]|-[^-]|--[^>])*-->" "" text "${text}")
string(REGEX MATCHALL "!\\[[^]]*\\]\\([^)]*\\)" references "${text}")

set(missing "")
foreach(reference IN LISTS references)
    # The target: between the parentheses, without <...> and without a "title".
    string(REGEX REPLACE "^!\\[[^]]*\\]\\(" "" target "${reference}")
    string(REGEX REPLACE "\\)$" "" target "${target}")
    string(STRIP "${target}" target)
    string(REGEX REPLACE "[ \t]+\"[^\"]*\"$" "" target "${target}")
    string(REGEX REPLACE "^<(.*)>$" "\\1" target "${target}")
    string(REPLACE "%20" " " target "${target}")
    if(NOT IS_ABSOLUTE "${target}")
        set(target "${folder}/${target}")
    endif()
    if(NOT EXISTS "${target}" OR IS_DIRECTORY "${target}")
        list(APPEND missing "${target}")
    endif()
endforeach()

if(missing)
    list(JOIN missing "\n  " lines)
    message(FATAL_ERROR "${MANUAL} shows images that are missing:\n  ${lines}\n"
                        "Take them with scripts/screenshots.sh.")
endif()
