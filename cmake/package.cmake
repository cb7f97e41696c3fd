# The release archive that scripts/release.sh has CPack write: the three programs,
# the players' guide as text that Notepad on Windows XP shows, and the checksums of
# both, so that a player can check what was downloaded.
set(RELEASE_VERSION dev CACHE STRING "The version in the archive's name (git describe)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(guide ${CMAKE_BINARY_DIR}/players.txt)
add_custom_command(OUTPUT ${guide}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/guide_text.py
            ${PROJECT_SOURCE_DIR}/docs/players.md ${guide}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/guide_text.py ${PROJECT_SOURCE_DIR}/docs/players.md
    COMMENT "Writing the players' guide as text")
add_custom_target(players_guide ALL DEPENDS ${guide})

get_property(tools GLOBAL PROPERTY TOOL_TARGETS)
install(TARGETS ${tools} RUNTIME DESTINATION .)
install(FILES ${guide} DESTINATION .)
# Summed where CPack lays the archive out, in the format "sha256sum -c" reads.
list(TRANSFORM tools APPEND .exe OUTPUT_VARIABLE summed)
install(CODE "set(summed \"${summed};players.txt\")")
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
