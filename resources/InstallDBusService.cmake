# Included by cmake --install: writes the D-Bus activation file that names the installed
# executable by its absolute path, and installs it into share/dbus-1/services.
#
# In:  SUMWISE_DBUS_SERVICE_IN   the template, with @SUMWISE_EXEC@
#      SUMWISE_INSTALL_BINDIR    CMAKE_INSTALL_BINDIR as configured (relative or absolute)
#      SUMWISE_INSTALL_DATADIR   CMAKE_INSTALL_DATADIR as configured (relative or absolute)
#      SUMWISE_STAGING_DIR       a folder of the build tree for the generated file
# The install-time CMAKE_INSTALL_PREFIX (which --prefix sets) decides the paths. DESTDIR is
# honoured by file(INSTALL) and kept out of the path written into the file, as packaging
# requires.

if(IS_ABSOLUTE "${SUMWISE_INSTALL_BINDIR}")
    set(SUMWISE_EXEC "${SUMWISE_INSTALL_BINDIR}/sumwise")
else()
    set(SUMWISE_EXEC "${CMAKE_INSTALL_PREFIX}/${SUMWISE_INSTALL_BINDIR}/sumwise")
endif()
if(IS_ABSOLUTE "${SUMWISE_INSTALL_DATADIR}")
    set(service_dir "${SUMWISE_INSTALL_DATADIR}/dbus-1/services")
else()
    set(service_dir "${CMAKE_INSTALL_PREFIX}/${SUMWISE_INSTALL_DATADIR}/dbus-1/services")
endif()
cmake_path(NORMAL_PATH SUMWISE_EXEC)

configure_file("${SUMWISE_DBUS_SERVICE_IN}" "${SUMWISE_STAGING_DIR}/org.sumwise.Sumwise.service"
               @ONLY)
file(INSTALL "${SUMWISE_STAGING_DIR}/org.sumwise.Sumwise.service" DESTINATION "${service_dir}")
