# Installing Quorix as a desktop program, and its Debian package.
#
# The program and its runtime live side by side in a folder of their own, lib/quorix/, where
# the loader finds the runtime beside the program's real file; bin/quorix links to it. The
# desktop entry, the icon in the hicolor theme and the AppStream metainfo carry the version and
# description set in the top-level CMakeLists.txt.
set(QUORIX_APP_ID "cn.corvane.Quorix")
set(QUORIX_INSTALL_DIR "lib/quorix")
set(QUORIX_PACKAGING_DIR "${CMAKE_BINARY_DIR}/packaging")

configure_file(packaging/quorix.desktop.in "${QUORIX_PACKAGING_DIR}/${QUORIX_APP_ID}.desktop" @ONLY)
configure_file(packaging/metainfo.xml.in "${QUORIX_PACKAGING_DIR}/${QUORIX_APP_ID}.metainfo.xml"
    @ONLY)
file(CREATE_LINK "../${QUORIX_INSTALL_DIR}/quorix" "${QUORIX_PACKAGING_DIR}/quorix" SYMBOLIC)

configure_file(packaging/quorix.1.in "${QUORIX_PACKAGING_DIR}/quorix.1" @ONLY)

# Debian keeps a native package's changelog and its manual pages compressed, without a time
# stamp.
add_custom_command(
    OUTPUT "${QUORIX_PACKAGING_DIR}/changelog.gz"
    COMMAND gzip -9nc "${CMAKE_SOURCE_DIR}/packaging/changelog" > "${QUORIX_PACKAGING_DIR}/changelog.gz"
    DEPENDS packaging/changelog
    COMMENT "Compressing the changelog")
add_custom_command(
    OUTPUT "${QUORIX_PACKAGING_DIR}/quorix.1.gz"
    COMMAND gzip -9nc "${QUORIX_PACKAGING_DIR}/quorix.1" > "${QUORIX_PACKAGING_DIR}/quorix.1.gz"
    DEPENDS "${QUORIX_PACKAGING_DIR}/quorix.1"
    COMMENT "Compressing the manual page")
add_custom_target(quorix_package_docs ALL
    DEPENDS "${QUORIX_PACKAGING_DIR}/changelog.gz" "${QUORIX_PACKAGING_DIR}/quorix.1.gz")

install(TARGETS quorix RUNTIME DESTINATION "${QUORIX_INSTALL_DIR}")
install(TARGETS krnln LIBRARY DESTINATION "${QUORIX_INSTALL_DIR}"
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES "${QUORIX_PACKAGING_DIR}/quorix" DESTINATION bin)
install(FILES "${QUORIX_PACKAGING_DIR}/${QUORIX_APP_ID}.desktop" DESTINATION share/applications)
install(FILES "${QUORIX_PACKAGING_DIR}/${QUORIX_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
install(DIRECTORY "${QUORIX_THEME_ICONS}/" DESTINATION share/icons/hicolor)
install(FILES "${QUORIX_PACKAGING_DIR}/quorix.1.gz" DESTINATION share/man/man1)
install(FILES README.md packaging/copyright "${QUORIX_PACKAGING_DIR}/changelog.gz"
    DESTINATION share/doc/quorix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorix)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Corvane <support@corvane.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a picture into a picture made of characters")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.corvane.cn/")
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${QUORIX_DESCRIPTION}.

Quorix turns a picture into a picture made of characters: every pixel becomes
a short text, each distinct colour has its own text, and each row of pixels
becomes a line, ready to paste into a chat message or a web post. Load a
picture or draw one with the pen tools, find its colours, give them symbols,
write the text, zoom, replace and copy it.")
# The libraries the program and its runtime link, as dpkg-shlibdeps finds them, and the font
# without which a character picture does not line up. Qt's translations let its dialogs speak
# the desktop's language; without them they speak English.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
