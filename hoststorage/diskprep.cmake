# Local disk preparation (Qt-free): finding the appliance's iSCSI disk,
# partitioning, NTFS formatting on a thread of its own, drive letters.
# Included from hoststorage/CMakeLists.txt.
sp_core_library(sp_diskprep
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/diskidentity.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diskmbr.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diskformatter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diskpreparation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diskpartitioning.cpp
  DEPS sp_base sp_platform)
