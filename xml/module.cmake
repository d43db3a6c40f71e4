# The XML engine: document model, in-place parser, lookups, writer and escape helpers (portable).
zrpc_portable_sources(xml/xml_tree.cpp xml/xml_parser.cpp xml/xml_writer.cpp xml/xml_escape.cpp)
