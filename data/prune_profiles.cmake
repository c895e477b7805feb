# Removes profiles from the program directory whose source has gone (renamed or deleted), so the
# profile list never shows stale entries. Run with -DSOURCE_DIR=... -DDEST_DIR=...
file(GLOB _installed "${DEST_DIR}/*.pf")
foreach(_file IN LISTS _installed)
    get_filename_component(_name "${_file}" NAME)
    if(NOT EXISTS "${SOURCE_DIR}/${_name}")
        message(STATUS "Removing stale profile ${_name}")
        file(REMOVE "${_file}")
    endif()
endforeach()
