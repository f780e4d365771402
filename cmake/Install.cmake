# `cmake --install build --prefix DIR`: the program, the merge tool and the plot
# scripts in DIR/bin, the shipped data in DIR/share/kelvra, from which
# `kelvra --init` makes working folders anywhere. Results are not shipped.
install(TARGETS kelvra kelvra-merge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/plot.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME kelvra-plot)
install(PROGRAMS scripts/plot_study.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME kelvra-plot-study)
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvra
        PATTERN results EXCLUDE)

# `cpack -G DEB` in a build folder packs the same into a Debian package that
# installs under /usr; the libraries it needs are found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kelvra)
set(CPACK_PACKAGE_VENDOR "Kelvra developers")
set(CPACK_PACKAGE_CONTACT "Kelvra developers <kelvra@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Real-time simulator of the longitudinal and vertical dynamics of a railway vehicle")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The plot scripts draw with gnuplot; the cluster recipe shares out with GNU parallel.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox, parallel")
include(CPack)
