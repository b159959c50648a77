# The Debian package: `cpack -G DEB` in a build tree gives ordovan_<version>_amd64.deb with
# what the install rules put under /usr (scripts/package-deb.sh builds and checks it).
# The shared libraries the program links come from dpkg-shlibdeps; the rest the program
# needs at run time is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ordovan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brunnhold Software")
set(CPACK_PACKAGE_CONTACT "Brunnhold Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "create SEPA payment files from payment lists")
set(CPACK_PACKAGE_DESCRIPTION
    "Ordovan Profi reads lists of payments (CSV/TXT files, Excel and OpenDocument workbooks,
Access databases), checks names, IBANs, BICs, amounts and mandates as German banks
require, and writes SEPA credit transfer (pain.001) and direct debit (pain.008: CORE,
COR1, B2B) files in the 2009 and 2019 message versions. It keeps a log, a history and
an archive of every file and prints a cover sheet and a booking list. Runs can be
started from the command line without a window, for instance from cron.
.
The user interface and the manual are in German.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORDOVAN_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window and the PDF reports need fonts that fontconfig finds; the bank directory is
# built into the program, so ktoblzcheck's data is not needed at run time. Opening the manual
# and log files goes through xdg-open; German button texts of Qt's own dialogs come from
# its translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")

include(CPack)
