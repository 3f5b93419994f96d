# Checks the graph of Vesper's libraries: the one the build declares (read
# from `cmake --graphviz` of a scratch configuration of the source) must be
# the one drawn in docs/architecture.md, edge for edge, and must have no cycle.
#
#   cmake -DSOURCE_DIR=<repo> [-DWORK_DIR=<scratch>] [-DDOT_FILE=<graph.dot>] [-DDOC_FILE=<doc.md>]
#         -P check_library_graph.cmake
#
# DOT_FILE checks a graph already written instead of configuring the source;
# DOC_FILE compares with another document than docs/architecture.md.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_library_graph: pass -DSOURCE_DIR=<repository root>")
endif()
set(doc "${SOURCE_DIR}/docs/architecture.md")
if(DOC_FILE)
  set(doc "${DOC_FILE}")
endif()
if(NOT EXISTS "${doc}")
  message(FATAL_ERROR "check_library_graph: ${doc} is missing")
endif()

# The build's graph: configure the source into a scratch folder without tests
# and benchmarks (they are not libraries of the product).
if(NOT DOT_FILE)
  if(NOT WORK_DIR)
    set(WORK_DIR "${CMAKE_CURRENT_BINARY_DIR}/library-graph")
  endif()
  file(REMOVE_RECURSE "${WORK_DIR}")
  set(DOT_FILE "${WORK_DIR}/graph/libraries.dot")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
            -DVESPER_TESTS=OFF -DVESPER_BENCH=OFF "--graphviz=${DOT_FILE}"
    RESULT_VARIABLE configured OUTPUT_QUIET ERROR_VARIABLE configureErrors)
  if(NOT configured EQUAL 0)
    message(FATAL_ERROR "check_library_graph: configuring ${SOURCE_DIR} failed:\n${configureErrors}")
  endif()
endif()
if(NOT EXISTS "${DOT_FILE}")
  message(FATAL_ERROR "check_library_graph: ${DOT_FILE} was not written")
endif()

# Nodes: "node3" [ label = "vesper_scene", shape = octagon ]; octagons are
# static libraries. Only Vesper's own (vesper_*) take part.
file(STRINGS "${DOT_FILE}" dotLines)
set(libraries "")
foreach(line IN LISTS dotLines)
  if(line MATCHES "^[ \t]*\"(node[0-9]+)\" \\[ label = \"(vesper_[A-Za-z0-9_]+)\", shape = octagon \\];")
    set(label_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    list(APPEND libraries "${CMAKE_MATCH_2}")
  endif()
endforeach()
# Edges: "node3" -> "node5" ...
set(buildEdges "")
foreach(line IN LISTS dotLines)
  if(line MATCHES "^[ \t]*\"(node[0-9]+)\" -> \"(node[0-9]+)\"")
    set(from "${label_${CMAKE_MATCH_1}}")
    set(to "${label_${CMAKE_MATCH_2}}")
    if(from AND to)
      list(APPEND buildEdges "${from}->${to}")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES buildEdges)
list(SORT buildEdges)
if(NOT libraries)
  message(FATAL_ERROR "check_library_graph: ${DOT_FILE} names no vesper_* library")
endif()

# The documented graph: every "a --> b" line of the document's mermaid block.
file(STRINGS "${doc}" docLines)
set(docEdges "")
set(inGraph FALSE)
foreach(line IN LISTS docLines)
  if(line MATCHES "^```mermaid")
    set(inGraph TRUE)
  elseif(inGraph AND line MATCHES "^```")
    set(inGraph FALSE)
  elseif(inGraph AND line MATCHES "^[ \t]*(vesper_[A-Za-z0-9_]+)[ \t]*-->[ \t]*(vesper_[A-Za-z0-9_]+)[ \t]*$")
    list(APPEND docEdges "${CMAKE_MATCH_1}->${CMAKE_MATCH_2}")
  endif()
endforeach()
list(REMOVE_DUPLICATES docEdges)
list(SORT docEdges)

set(undocumented ${buildEdges})
list(REMOVE_ITEM undocumented ${docEdges})
set(stale ${docEdges})
list(REMOVE_ITEM stale ${buildEdges})
if(undocumented OR stale)
  list(JOIN undocumented "\n  " undocumentedText)
  list(JOIN stale "\n  " staleText)
  if(NOT undocumented)
    set(undocumentedText "(none)")
  endif()
  if(NOT stale)
    set(staleText "(none)")
  endif()
  message(FATAL_ERROR "check_library_graph: ${doc} does not draw the build's library graph\n"
                      "in the build, not in the document:\n  ${undocumentedText}\n"
                      "in the document, not in the build:\n  ${staleText}")
endif()

# No cycle: take away, round after round, every library that depends on no
# library left; whatever stays lies on a cycle.
set(left ${libraries})
list(REMOVE_DUPLICATES left)
set(edges ${buildEdges})
while(left)
  set(removable "")
  foreach(library IN LISTS left)
    set(dependsOnLeft FALSE)
    foreach(edge IN LISTS edges)
      if(edge MATCHES "^${library}->(.+)$")
        list(FIND left "${CMAKE_MATCH_1}" index)
        if(NOT index EQUAL -1)
          set(dependsOnLeft TRUE)
          break()
        endif()
      endif()
    endforeach()
    if(NOT dependsOnLeft)
      list(APPEND removable "${library}")
    endif()
  endforeach()
  if(NOT removable)
    set(cycleEdges "")
    foreach(edge IN LISTS edges)
      string(REPLACE "->" ";" ends "${edge}")
      list(GET ends 0 from)
      list(GET ends 1 to)
      if(from IN_LIST left AND to IN_LIST left)
        list(APPEND cycleEdges "${edge}")
      endif()
    endforeach()
    list(JOIN cycleEdges "\n  " cycleText)
    message(FATAL_ERROR "check_library_graph: the library graph has a cycle among these dependencies:\n  ${cycleText}")
  endif()
  list(REMOVE_ITEM left ${removable})
endwhile()

list(LENGTH libraries libraryCount)
list(LENGTH buildEdges edgeCount)
message(STATUS "check_library_graph: ${libraryCount} libraries, ${edgeCount} dependencies, no cycle; ${doc} matches")
