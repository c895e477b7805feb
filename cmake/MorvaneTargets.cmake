# Shared compile settings for every target of ours.
add_library(morvane_flags INTERFACE)
target_compile_features(morvane_flags INTERFACE cxx_std_20)
target_compile_options(morvane_flags INTERFACE -Wall -Wextra -Wpedantic)
if(MORVANE_WERROR)
    target_compile_options(morvane_flags INTERFACE -Werror)
endif()
target_include_directories(morvane_flags INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(morvane_flags INTERFACE MORVANE_VERSION="${PROJECT_VERSION}")

# Qt code: no implicit conversions between 8-bit texts, byte arrays and strings, no narrowing in
# connections, string builders for concatenation, no bare signal/slot keywords.
add_library(morvane_qt_flags INTERFACE)
target_compile_definitions(morvane_qt_flags INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
target_link_libraries(morvane_qt_flags INTERFACE morvane_flags)

if(MORVANE_SANITIZE)
    # Applies to everything built here, third-party test frameworks included, so the runtimes agree.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    # GCC's flow analysis gives false "maybe uninitialized" reports in instrumented standard-library
    # code (std::regex, std::function).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        add_compile_options(-Wno-maybe-uninitialized)
    endif()
endif()

if(MORVANE_TSAN)
    if(MORVANE_SANITIZE)
        message(FATAL_ERROR "MORVANE_TSAN and MORVANE_SANITIZE cannot be combined: use two build folders")
    endif()
    # Like the sanitizer build above, for everything built here. Qt and the FFmpeg libraries are not
    # instrumented, so the tool sees their locking only where it passes through pthreads.
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC warns that std::atomic_thread_fence is not supported by the tool; we use none.
        add_compile_options(-Wno-tsan)
    endif()
endif()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# Puts an executable into the program directory.
function(morvane_program_executable target)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${MORVANE_PROGRAM_DIR})
endfunction()
