# iSCSI initiator presence and the appliance's web pages (Qt-free): the check
# and start of the initiator service, the installer offer, the web address.
# Included from hoststorage/CMakeLists.txt.
sp_core_library(sp_initiatorpresence
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/initiatorpresence.cpp
  DEPS sp_base sp_platform sp_shell_core)
