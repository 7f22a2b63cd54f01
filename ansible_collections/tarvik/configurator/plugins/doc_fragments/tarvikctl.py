# -*- coding: utf-8 -*-
# The options every module of the collection reaches tarvikctl with.


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  executable:
    description:
      - Path of tarvikctl. By default it is looked up on C(PATH).
    type: path
  simulate:
    description:
      - Number of built-in stand-in Tarviks to use instead of hardware;
        0 uses the hardware.
    type: int
    default: 0
  simulate_state:
    description:
      - File keeping the stand-ins' settings from one run to the next
        (C(tarvikctl --simulate-state)). Needs C(simulate).
    type: path
'''
