# What a package needs, checked without root: the desktop's and AppStream's validators,
# groff's warnings on the manual page, the completion, the install tree and the package.
add_test(NAME PackagingTest.DesktopEntryValidates
         COMMAND desktop-file-validate ${CRATEWISE_DATA}/cratewise.desktop)
add_test(NAME PackagingTest.MetainfoValidates
         COMMAND appstreamcli validate --no-net
                 ${CMAKE_BINARY_DIR}/org.quillfen.cratewise.metainfo.xml)
# groff exits 0 on warnings, so any output fails the test.
add_test(NAME PackagingTest.ManualPageHasNoWarnings
         COMMAND sh -c "test -s \"$1\" && out=$(groff -man -ww -z \"$1\" 2>&1) && test -z \"$out\" || { echo \"$out\"; exit 1; }"
                 sh ${CRATEWISE_MAN})
add_test(NAME PackagingTest.BashCompletionCompletes
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-completion.sh ${CRATEWISE_COMPLETION})
add_test(NAME PackagingTest.InstallTree
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-install.sh ${CMAKE_BINARY_DIR})
add_test(NAME PackagingTest.DebianPackage
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR})
set_tests_properties(PackagingTest.InstallTree PackagingTest.DebianPackage PROPERTIES TIMEOUT 120)
