# Windows programs cross-built here run under Wine: test discovery while
# building, and every test, through the wine-run wrapper in the build tree.
find_program(QL_WINE wine REQUIRED)
find_program(QL_WINESERVER wineserver REQUIRED)
set(QL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${QL_WINE_RUN} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QL_WINE_RUN})
