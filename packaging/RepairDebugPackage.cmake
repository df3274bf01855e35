# Run by CPack after packaging. CMake 3.25's CPack lists the debug package's files in its
# md5sums under their absolute staging paths, which dpkg cannot verify, and gives the package
# no copyright or changelog. This rebuilds each debug package with relative md5sums and, as
# Debian's own debug packages do, its documentation folder as a link to the main package's.
set(debug_packages ${CPACK_PACKAGE_FILES})
list(FILTER debug_packages INCLUDE REGEX "\\.ddeb$")
if(debug_packages)
    find_program(DPKG_DEB dpkg-deb REQUIRED)
endif()

foreach(package IN LISTS debug_packages)
    set(tree ${package}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND ${DPKG_DEB} --raw-extract ${package} ${tree}
                    COMMAND_ERROR_IS_FATAL ANY)

    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/usr/*)
    list(SORT files)
    set(md5sums "")
    foreach(file IN LISTS files)
        file(MD5 ${tree}/${file} sum)
        string(APPEND md5sums "${sum}  ${file}\n")
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${md5sums}")

    file(STRINGS ${tree}/DEBIAN/control name REGEX "^Package: ")
    string(REGEX REPLACE "^Package: " "" name "${name}")
    string(REGEX REPLACE "-dbgsym$" "" main "${name}")
    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${main} ${tree}/usr/share/doc/${name} SYMBOLIC)

    execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
