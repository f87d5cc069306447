# The libraries of the program logic (common/ and each program's core) may use Qt Core and nothing
# else: no widgets, no platform service, no other library. telvor_require_core_only(target) checks
# this when the configuration is complete, from the link graph and from the sources' includes.

# What a core's source may not include: the platform services, the windows and pictures of the
# programs, and the Qt modules above Core.
set(TELVOR_CORE_FORBIDDEN_INCLUDE
    "^#include [<\"](platform/|client/forms/|screensaver/forms/|pictures/|Qt(Gui|Widgets)|QWidget|QApplication|QGuiApplication)")

function(_telvor_core_only_links target chain)
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface_links ${target} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface_links)
        if(NOT link OR link STREQUAL "Qt6::Core")
            continue()
        endif()
        if(TARGET ${link})
            get_target_property(checked ${link} TELVOR_CORE_ONLY)
            if(checked)
                _telvor_core_only_links(${link} "${chain} -> ${link}")
                continue()
            endif()
        endif()
        message(FATAL_ERROR "${chain} links ${link}; a core library may link only Qt6::Core and other cores")
    endforeach()
endfunction()

function(_telvor_core_only_check target)
    _telvor_core_only_links(${target} ${target})
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    # The headers beside each source (client/core/*.h), which the target does not list.
    set(files)
    set(directories)
    foreach(source IN LISTS sources)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
        cmake_path(GET source PARENT_PATH directory)
        list(APPEND files ${source})
        list(APPEND directories ${directory})
    endforeach()
    list(REMOVE_DUPLICATES directories)
    foreach(directory IN LISTS directories)
        file(GLOB headers ${directory}/*.h)
        list(APPEND files ${headers})
    endforeach()
    foreach(source IN LISTS files)
        file(STRINGS ${source} forbidden REGEX "${TELVOR_CORE_FORBIDDEN_INCLUDE}")
        if(forbidden)
            message(FATAL_ERROR "${source} of the core library ${target} includes ${forbidden}")
        endif()
    endforeach()
endfunction()

function(telvor_require_core_only target)
    set_target_properties(${target} PROPERTIES TELVOR_CORE_ONLY TRUE)
    # A deferred call sees its arguments' variables only when it runs: the name goes in literally.
    cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _telvor_core_only_check [[${target}]])")
endfunction()
