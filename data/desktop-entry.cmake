# Writes the menu entry for the prefix it is installed into (run at install
# time): a bare "mirell" for /usr and /usr/local, the full path elsewhere,
# quoted and escaped as the Desktop Entry rules want when it holds reserved
# characters.
set(exec mirell)
if(NOT CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
  set(exec "${CMAKE_INSTALL_PREFIX}/${entry_bindir}/mirell")
  string(REPLACE "%" "%%" exec "${exec}")
  if(exec MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
    foreach(c "\\" "\"" "`" "$")
      string(REPLACE "${c}" "\\${c}" exec "${exec}")
    endforeach()
    set(exec "\"${exec}\"")
    # The value's own escape of the backslash comes on top.
    string(REPLACE "\\" "\\\\" exec "${exec}")
  endif()
endif()
file(READ "${entry_source}" entry)
string(REPLACE "\nExec=mirell" "\nExec=${exec}" entry "${entry}")
file(WRITE "${entry_staged}" "${entry}")
