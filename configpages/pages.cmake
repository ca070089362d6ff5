# The pages (Qt): device configuration (133) and disk profile (134). They
# and the main window use each other, so sp_shell and this library link
# each other (allowed between static libraries).
if(SP_WITH_QT)
  sp_qt_library(sp_configpages_ui
    SOURCES cconfigdlg_hd.cpp
    DEPS sp_configpages_core sp_shell sp_configpages)
endif()
