int tdg_core_placeholder;
