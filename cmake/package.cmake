# The release archive that scripts/release.sh has CPack write: the three programs,
# the players' guide as text that Notepad on Windows XP shows, and the checksums of
# both, so that a player can check what was downloaded.
set(RELEASE_VERSION dev CACHE STRING "The version in the archive's name (git describe)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(guide ${CMAKE_BINARY_DIR}/players.txt)
add_custom_command(OUTPUT ${guide}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/guide_text.py
            ${PROJECT_SOURCE_DIR}/docs/players.md ${guide}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/guide_text.py ${PROJECT_SOURCE_DIR}/docs/players.md
    COMMENT "Writing the players' guide as text")
add_custom_target(players_guide ALL DEPENDS ${guide})

# What decides the bytes, and nothing else: a rebuild gives the same programs with the
# same compiler, binutils, runtime and llvm-windres, the same zip with CMake (CPack)
# and strip-nondeterminism besides, and sign.sh's signed zip with zip. osslsigncode is
# not named: the signatures are published, and every version attaches them to the same
# bytes, so a verifier with another one must still get the publisher's zip. Each
# tool is named by the Debian package that holds it, so the text follows whichever
# LLVM or compiler variant the toolchain file picked; the Debian release by its major
# number alone, since a point release changes none of these by itself.
execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} rev-parse HEAD
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libmsvcrt.a
                OUTPUT_VARIABLE runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REAL_PATH ${runtime} runtime)
set(debian "(not Debian)")
if(EXISTS /etc/debian_version)
    file(STRINGS /etc/debian_version debian LIMIT_COUNT 1)
    string(REGEX REPLACE "^([0-9]+)\\..*" "\\1" debian "${debian}")
endif()
set(buildinfo "commit: ${commit}\nversion: ${RELEASE_VERSION}\nbuild type: ${CMAKE_BUILD_TYPE}\ndebian: ${debian}\n")
set(roles "compiler=${CMAKE_CXX_COMPILER}" "binutils=${CMAKE_LINKER}" "mingw-w64 runtime=${runtime}"
          "llvm-windres=${CMAKE_RC_COMPILER}" "cmake=${CMAKE_COMMAND}")
foreach(tool zip strip-nondeterminism)
    find_program(${tool}_path ${tool} NO_CACHE)
    list(APPEND roles "${tool}=${${tool}_path}")
endforeach()
foreach(role_path ${roles})
    string(REGEX REPLACE "=.*" "" role "${role_path}")
    string(REGEX REPLACE "^[^=]*=" "" path "${role_path}")
    if(path MATCHES "NOTFOUND$")
        string(APPEND buildinfo "${role}: (not installed)\n")
        continue()
    endif()
    execute_process(COMMAND dpkg-query -S ${path} OUTPUT_VARIABLE owner ERROR_QUIET)
    if(owner STREQUAL "" AND path MATCHES "^/(bin|sbin|lib)/")
        # A merged /usr found through PATH's /bin: dpkg knows the file under /usr.
        execute_process(COMMAND dpkg-query -S /usr${path} OUTPUT_VARIABLE owner ERROR_QUIET)
    endif()
    string(REGEX REPLACE ":.*" "" package "${owner}")
    if(package STREQUAL "")
        set(package "(no package holds ${path})")
    else()
        execute_process(COMMAND dpkg-query -W -f=\${Version} ${package} OUTPUT_VARIABLE version)
        string(APPEND package " ${version}")
    endif()
    string(APPEND buildinfo "${role}: ${package}\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/BUILDINFO "${buildinfo}")

get_property(tools GLOBAL PROPERTY TOOL_TARGETS)
install(TARGETS ${tools} RUNTIME DESTINATION .)
install(FILES ${guide} ${CMAKE_BINARY_DIR}/BUILDINFO DESTINATION .)
# Summed where CPack lays the archive out, in the format "sha256sum -c" reads.
list(TRANSFORM tools APPEND .exe OUTPUT_VARIABLE summed)
install(CODE "set(summed \"${summed};players.txt;BUILDINFO\")")
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    set(sums "")
    foreach(name ${summed})
        file(SHA256 "${root}/${name}" sum)
        string(APPEND sums "${sum}  ${name}\n")
    endforeach()
    file(WRITE "${root}/SHA256SUMS" "${sums}")
]])

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${RELEASE_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${RELEASE_VERSION})
include(CPack)
