# Report control: the portable model (items, tree, sorting, selection, search, copy text, profile value).
zrpc_portable_sources(
    reportctrl/model/report_cells.cpp
    reportctrl/model/report_model.cpp
    reportctrl/model/report_input.cpp
    reportctrl/model/report_select.cpp
    reportctrl/model/report_tree.cpp
)
# The report control's window over the model.
zrpc_win_sources(reportctrl/win_report_ctrl.cpp reportctrl/win_report_input.cpp reportctrl/win_report_edit.cpp
                 reportctrl/win_report_access.cpp reportctrl/win_report_header.cpp reportctrl/win_report_tip.cpp
                 reportctrl/win_report_view.cpp)
