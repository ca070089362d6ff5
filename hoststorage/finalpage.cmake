# The final page (135): the setup sequence and the iSCSI attach (Qt-free,
# unit-tested with fakes), and the page itself (Qt).
# Included from hoststorage/CMakeLists.txt.
sp_core_library(sp_finalsequence
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/stoptokenwait.cpp
    ${CMAKE_CURRENT_LIST_DIR}/iscsiattach.cpp
    ${CMAKE_CURRENT_LIST_DIR}/finalsequence.cpp
  DEPS sp_hoststorage_iscsi sp_diskprep sp_sharemap sp_platform sp_shell_core sp_base)

# The page. It and the main window use each other, so sp_shell and this
# library link each other (allowed between static libraries).
if(SP_WITH_QT)
  sp_qt_library(sp_finalpage SOURCES cnetcfgdlg.cpp DEPS sp_finalsequence sp_shell_core sp_shell)
endif()
