# cmake -DSOURCE=<assets> -DDESTINATION=<bundle> -P CopyBundle.cmake
# Copies the resources (changed files only), leaving the build's own files behind.
file(MAKE_DIRECTORY ${DESTINATION})
file(COPY ${SOURCE}/ DESTINATION ${DESTINATION}
  PATTERN "CMakeLists.txt" EXCLUDE
  PATTERN "*.cmake" EXCLUDE)
