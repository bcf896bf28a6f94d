# The Debian package: `cpack -G DEB` in a Release build (tools/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumisnap)
set(CPACK_PACKAGE_VENDOR Fennomark)
set(CPACK_PACKAGE_CONTACT "Lumisnap developers <lumisnap@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "skinned picture viewer for GIF, JPEG, icon and bitmap files")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumisnap is a small picture viewer whose borderless window takes the shape of its skin: \
a computer whose monitor shows the picture, beside a folder tree and a file list of GIF, \
JPEG, icon and bitmap files. It shows pictures centred, stretched or plain, steps through \
them full screen, searches a whole drive for pictures, and keeps a clock with a daily alarm.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package's copyright file (/usr/share/doc/lumisnap/copyright, machine-readable) is
# installed from data/; this is the same licence for CPack's own use.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The shared libraries it links come from dpkg-shlibdeps; the fonts its designs name
# are looked up at run time, so they are listed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-comic-neue, fonts-liberation2")
# Native windows under Wayland. The desktop's opener for the maker's page comes with
# every desktop; recommending it would pull some fifty packages into a bare system.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xdg-utils)

include(CPack)
