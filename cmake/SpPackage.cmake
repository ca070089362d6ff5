# The Debian package of the program (scripts/package.sh builds it): the
# wizard, its two services and their desktop files, with the run-time
# dependencies of the libraries (shlibdeps) and of the tools it runs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME setuppilot)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Setup Pilot developers <setuppilot@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup wizard for the VBX-207 network storage appliance")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Finds a VBX-207 appliance on the local network, sets it up, and connects\n its iSCSI volume and shared folder to this computer as drive letter folders.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The build keeps its debugging symbols; the package does not need them.
set(CPACK_STRIP_FILES ON)
# The tools the wizard, the agent and the service run (their allow-lists
# are in platform/linux): NTFS, loop devices and mounts, the FUSE helpers,
# SMB name lookups and smbnetfs for the share; polkit, which tells the
# service what the desktop user may ask of it (pkcheck).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ntfs-3g, fuse3, mount, util-linux, smbnetfs, samba-common-bin, polkitd")
# The share through the kernel where it has CIFS; root rights for the
# service's installer and its start (pkexec); the share list that tells an
# appliance already holding data (smbclient); the desktop's opener for
# drives and web pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cifs-utils, pkexec | policykit-1, smbclient, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${PROJECT_SOURCE_DIR}/dist/debian/prerm
    ${PROJECT_SOURCE_DIR}/dist/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
