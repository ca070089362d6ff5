# The final page (Qt, 135). It and the main window use each other, so
# sp_shell and this library link each other (allowed between static
# libraries).
if(SP_WITH_QT)
  sp_qt_library(sp_finalpage SOURCES cnetcfgdlg.cpp DEPS sp_shell_core sp_shell)
endif()
