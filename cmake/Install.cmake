# `cmake --install build --prefix DIR`: the program, the merge tool and the plot
# scripts in DIR/bin, the shipped data in DIR/share/kelvra, from which
# `kelvra --init` makes working folders anywhere. Results are not shipped.
install(TARGETS kelvra kelvra-merge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/plot.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME kelvra-plot)
install(PROGRAMS scripts/plot_study.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME kelvra-plot-study)
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvra
        PATTERN results EXCLUDE)
