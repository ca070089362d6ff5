# The simulator's real iSCSI targets (tgtd controller and volume provider).
# Included by the simulator's build and by the iSCSI network tests,
# whichever comes first.
if(NOT TARGET sp_tgtvolume)
  sp_core_library(sp_tgtvolume SOURCES ${CMAKE_CURRENT_LIST_DIR}/tgtvolume.cpp DEPS sp_vbxsim sp_hoststorage_iscsi)
endif()
