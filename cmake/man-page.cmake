# Fills the version into a manual page: cmake -DIN=page.1 -DOUT=out.1 -DVERSION=1.0.0 -P man-page.cmake
configure_file(${IN} ${OUT} @ONLY)
