# Install places (GNUInstallDirs) and the same places seen from the
# installed wizard's folder: the program finds its parts through these
# relative paths, so no absolute path is compiled in.
include(GNUInstallDirs)
set(SP_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/setuppilot)
set(SP_INSTALL_HELPERDIR ${CMAKE_INSTALL_LIBEXECDIR}/setuppilot)
file(RELATIVE_PATH SP_REL_DATADIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${SP_INSTALL_DATADIR})
file(RELATIVE_PATH SP_REL_HELPERDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${SP_INSTALL_HELPERDIR})
file(RELATIVE_PATH SP_REL_SBINDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_SBINDIR})
