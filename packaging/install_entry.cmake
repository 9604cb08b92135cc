# Runs at install time. The desktop entry and its launcher name the installed
# program by its full path, which is known only once the prefix is: so that
# `cmake --install --prefix P`, DESTDIR and packages all get working ones.
# Set by the install rule: KELVANE_TEMPLATES, KELVANE_STAGE, KELVANE_BINDIR,
# KELVANE_LIBEXECDIR, KELVANE_DATADIR, KELVANE_APP_ID.

function(kelvane_full_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

kelvane_full_path(bindir "${KELVANE_BINDIR}")
kelvane_full_path(libexecdir "${KELVANE_LIBEXECDIR}")
kelvane_full_path(datadir "${KELVANE_DATADIR}")
set(launcher "${libexecdir}/kelvane/start-kelvane")

# For the launcher: one single-quoted shell word.
string(REPLACE "'" "'\\''" quoted "${bindir}/kelvane")
set(KELVANE_BINARY "'${quoted}'")

# For the desktop entry: the Exec quoting rule (double quotes, with \ " ` $
# escaped) when the path holds a reserved character, then %% for a literal %,
# then the string rule that doubles every backslash.
set(exec "${launcher}")
if(exec MATCHES "[^-A-Za-z0-9_./+,:=@%]")
  string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
set(KELVANE_EXEC "${exec}")

configure_file("${KELVANE_TEMPLATES}/start-kelvane.sh.in" "${KELVANE_STAGE}/start-kelvane" @ONLY)
configure_file("${KELVANE_TEMPLATES}/kelvane.desktop.in"
               "${KELVANE_STAGE}/${KELVANE_APP_ID}.desktop" @ONLY)
file(INSTALL "${KELVANE_STAGE}/start-kelvane" DESTINATION "${libexecdir}/kelvane"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
file(INSTALL "${KELVANE_STAGE}/${KELVANE_APP_ID}.desktop" DESTINATION "${datadir}/applications")
