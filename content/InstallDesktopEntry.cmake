# Writes the desktop entry for the prefix being installed to; run by
# `cmake --install` with VOZ_DESKTOP_TEMPLATE and VOZ_DESKTOP_STAGE set.

# A value of a desktop entry string key: backslashes doubled.
function(voz_desktop_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# The program path as one Exec argument: quoted, its reserved characters
# escaped inside the quotes, "%" doubled, then escaped as a string value.
function(voz_desktop_exec_argument out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "`" "\\`" value "${value}")
  string(REPLACE "$" "\\$" value "${value}")
  string(REPLACE "%" "%%" value "${value}")
  voz_desktop_string(value "\"${value}\"")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

set(_prefix "${CMAKE_INSTALL_PREFIX}")
voz_desktop_exec_argument(VOZ_DESKTOP_EXEC "${_prefix}/program/vozudarizazi")
voz_desktop_string(VOZ_DESKTOP_PATH "${_prefix}/program")
voz_desktop_string(VOZ_DESKTOP_ICON "${_prefix}/share/icons/hicolor/64x64/apps/vozudarizazi.png")
configure_file("${VOZ_DESKTOP_TEMPLATE}" "${VOZ_DESKTOP_STAGE}/vozudarizazi.desktop" @ONLY)
file(INSTALL DESTINATION "${_prefix}/share/applications" TYPE FILE
     FILES "${VOZ_DESKTOP_STAGE}/vozudarizazi.desktop")
