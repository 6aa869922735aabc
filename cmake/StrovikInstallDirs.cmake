# Where the installed program keeps its read-only data. The client finds its language files
# relative to its own executable (bin/../share/strovik/lang), so an install tree can be moved.
include(GNUInstallDirs)
set(STROVIK_INSTALL_LANGDIR ${CMAKE_INSTALL_DATADIR}/strovik/lang)
file(RELATIVE_PATH STROVIK_LANGDIR_FROM_BINDIR
    ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${STROVIK_INSTALL_LANGDIR})
