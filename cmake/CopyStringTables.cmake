file(GLOB tables LIST_DIRECTORIES true "${SRC}/*.lproj")
foreach(dir ${tables})
    get_filename_component(name "${dir}" NAME)
    file(COPY "${dir}/" DESTINATION "${DST}/${name}")
endforeach()
# The privacy statement the About section opens sits beside the tables.
file(COPY "${SRC}/privacy.html" DESTINATION "${DST}")
