# The Debian package: cmake --build build --target package (or tools/package.sh, which
# also runs lintian on it). Everything that `cmake --install` installs goes in, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kyvflash)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KyvFlash maintainers")
set(CPACK_PACKAGE_CONTACT "KyvFlash maintainers <maintainers@users.noreply.c-seed-84bbf583.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flash utility for point-of-sale receipt printers")
# Debian wants the long description in lines of under 80 characters.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KyvFlash writes new firmware, fonts, code tables and configuration tables
into the flash memory of point-of-sale receipt printers over RS232, USB,
Ethernet and WiFi, and verifies the result with the printer's CRC.
KyvFlash is the dialog program and runs one download unattended when given
a job's arguments; KyvFlashCom is its console launcher for installation
scripts, with a fail-safe time limit. printer-sim plays a printer on a
pseudo-terminal, a simulated USB bus or the network, for trying everything
without hardware. udev rules let the person at the seat use the printers
without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Run-time libraries from the programs themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# printer-sim lan serves its FTP folder with pyftpdlib.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-pyftpdlib")
# udevadm comes with udev; the scripts only use it when it is there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${PROJECT_SOURCE_DIR}/dist/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Folders 0755 whatever the builder's umask, as Debian wants them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
