# Included by cmake --install: writes the files that name the installed executable by its
# absolute path: the D-Bus activation file (share/dbus-1/services) and the desktop entry
# (share/applications), whose main Exec KWin compares with a client's executable.
#
# In:  SUMWISE_DBUS_SERVICE_IN   the template, with @SUMWISE_EXEC@
#      SUMWISE_DESKTOP_ENTRY     the desktop entry, its main line Exec=sumwise
#      SUMWISE_INSTALL_BINDIR    CMAKE_INSTALL_BINDIR as configured (relative or absolute)
#      SUMWISE_INSTALL_DATADIR   CMAKE_INSTALL_DATADIR as configured (relative or absolute)
#      SUMWISE_STAGING_DIR       a folder of the build tree for the generated files
# The install-time CMAKE_INSTALL_PREFIX (which --prefix sets) decides the paths. DESTDIR is
# honoured by file(INSTALL) and kept out of the path written into the file, as packaging
# requires.

if(IS_ABSOLUTE "${SUMWISE_INSTALL_BINDIR}")
    set(SUMWISE_EXEC "${SUMWISE_INSTALL_BINDIR}/sumwise")
else()
    set(SUMWISE_EXEC "${CMAKE_INSTALL_PREFIX}/${SUMWISE_INSTALL_BINDIR}/sumwise")
endif()
if(IS_ABSOLUTE "${SUMWISE_INSTALL_DATADIR}")
    set(data_dir "${SUMWISE_INSTALL_DATADIR}")
else()
    set(data_dir "${CMAKE_INSTALL_PREFIX}/${SUMWISE_INSTALL_DATADIR}")
endif()
cmake_path(NORMAL_PATH SUMWISE_EXEC)

configure_file("${SUMWISE_DBUS_SERVICE_IN}" "${SUMWISE_STAGING_DIR}/org.sumwise.Sumwise.service"
               @ONLY)
file(INSTALL "${SUMWISE_STAGING_DIR}/org.sumwise.Sumwise.service"
     DESTINATION "${data_dir}/dbus-1/services")

# The actions keep "sumwise ...": only the main Exec identifies the program.
file(READ "${SUMWISE_DESKTOP_ENTRY}" entry)
string(REPLACE "\nExec=sumwise\n" "\nExec=${SUMWISE_EXEC}\n" entry "${entry}")
file(WRITE "${SUMWISE_STAGING_DIR}/sumwise.desktop" "${entry}")
file(INSTALL "${SUMWISE_STAGING_DIR}/sumwise.desktop" DESTINATION "${data_dir}/applications")
