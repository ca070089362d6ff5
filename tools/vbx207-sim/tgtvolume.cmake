# The simulator's real iSCSI target (tgtd controller). Included by the
# simulator's build and by the iSCSI network tests, whichever comes first.
if(NOT TARGET sp_tgtvolume)
  sp_core_library(sp_tgtvolume SOURCES ${CMAKE_CURRENT_LIST_DIR}/tgtvolume.cpp)
endif()
