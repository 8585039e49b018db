pytest_plugins = ["ql8810.pytest_plugin"]
