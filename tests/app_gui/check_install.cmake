# Installs the build into a fresh prefix, as `make install PREFIX=...` does, and checks that the
# installed program runs and finds the pictures installed beside it.
# Run with -DBUILD_DIR=... -DPREFIX=... -DMAKE_EPUB=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(installed
    bin/quirelle lib/quirelle/quirelle lib/quirelle/quirelle-window.so lib/quirelle/pic/no_cover.png lib/quirelle/pic/play.png
    lib/quirelle/pic/pause.png lib/quirelle/pic/stop.png share/applications/quirelle.desktop
    share/icons/hicolor/256x256/apps/quirelle.png
    share/metainfo/io.github.quirelle.Quirelle.metainfo.xml)
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# A book without a cover reports none; its sound's bar is drawn with the play, pause and stop
# icons, which the installed program finds beside it: without them the page is drawn otherwise.
set(book ${PREFIX}/book)
file(WRITE ${book}/mimetype "application/epub+zip")
file(WRITE ${book}/META-INF/container.xml [=[<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>]=])
file(WRITE ${book}/OEBPS/content.opf [=[<?xml version="1.0"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>No cover</dc:title></metadata>
  <manifest><item id="a" href="a.xhtml" media-type="application/xhtml+xml"/></manifest>
  <spine><itemref idref="a"/></spine>
</package>]=])
file(WRITE ${book}/OEBPS/a.xhtml "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>A</p><audio controls=\"controls\" src=\"a.mp3\"/></body></html>")
execute_process(COMMAND ${MAKE_EPUB} ${book} ${PREFIX}/book.epub RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make-epub failed: ${status}")
endif()

execute_process(COMMAND ${PREFIX}/bin/quirelle --info ${PREFIX}/book.epub
                OUTPUT_VARIABLE info RESULT_VARIABLE status)
string(FIND "${info}" "\"cover\":null" found)
if(NOT status EQUAL 0 OR found EQUAL -1)
  message(FATAL_ERROR "the installed program does not read the book: ${info}")
endif()
execute_process(COMMAND ${PREFIX}/bin/quirelle --render-png ${PREFIX}/with-icons.png
                        --width 300 --height 120 ${PREFIX}/book.epub RESULT_VARIABLE status)
file(RENAME ${PREFIX}/lib/quirelle/pic ${PREFIX}/lib/quirelle/pic-away)
execute_process(COMMAND ${PREFIX}/bin/quirelle --render-png ${PREFIX}/without-icons.png
                        --width 300 --height 120 ${PREFIX}/book.epub RESULT_VARIABLE status_away)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${PREFIX}/with-icons.png
                        ${PREFIX}/without-icons.png RESULT_VARIABLE differ)
if(NOT status EQUAL 0 OR NOT status_away EQUAL 0 OR differ EQUAL 0)
  message(FATAL_ERROR "the installed program does not find its pictures")
endif()
file(REMOVE_RECURSE ${PREFIX})
