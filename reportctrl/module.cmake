# Report control: the portable model (items, rows, tree, sorting, selection, search, copy text, profile
# value) and its geometry.
zrpc_portable_sources(
    reportctrl/model/report_cells.cpp
    reportctrl/model/report_geometry.cpp
    reportctrl/model/report_model.cpp
    reportctrl/model/report_input.cpp
    reportctrl/model/report_rows.cpp
    reportctrl/model/report_select.cpp
    reportctrl/model/report_text.cpp
    reportctrl/model/report_tree.cpp
)
# The report control's window over the model: the state its units read, the window and the order of
# its units, the public operations, and one file per unit.
zrpc_win_sources(reportctrl/win_report_ctrl.cpp reportctrl/win_report_state.cpp reportctrl/win_report_public.cpp
                 reportctrl/win_report_paint.cpp reportctrl/win_report_input.cpp reportctrl/win_report_header.cpp
                 reportctrl/win_report_drag.cpp reportctrl/win_report_edit.cpp reportctrl/win_report_tip.cpp
                 reportctrl/win_report_access.cpp reportctrl/win_report_view.cpp reportctrl/win_report_text.cpp)
