# NAS share mapping: clearing a drive letter and the map request to the
# share-mapping agent (Qt-free; platform facilities injected).
sp_core_library(sp_sharemap
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sharemapping.cpp
  DEPS sp_platform sp_shell_core sp_base)
