#!/usr/bin/python
# -*- coding: utf-8 -*-
# The attached Tarviks and their settings, read through tarvikctl.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: info
short_description: Read the attached Tarvik speakerphones and their settings
description:
  - Lists the attached Tarviks with C(tarvikctl list) and reads every
    setting of each with C(tarvikctl save) into a temporary file.
  - Never changes a Tarvik.
version_added: "1.0.0"
author:
  - Tarvik Configurator developers
options:
  device:
    description:
      - Only the Tarvik this selector names, as C(tarvikctl --device) takes it;
        its index, node or USB topology path.
      - Without it, every attached Tarvik.
    type: str
  all:
    description:
      - Every attached Tarvik, as without C(device).
    type: bool
    default: false
extends_documentation_fragment:
  - tarvik.configurator.tarvikctl
attributes:
  check_mode:
    support: full
notes:
  - Needs tarvikctl on the managed host.
seealso:
  - module: tarvik.configurator.settings
'''

EXAMPLES = r'''
- name: Every attached Tarvik
  tarvik.configurator.info:
  register: tarviks

- name: Say which ones have the PA output on
  ansible.builtin.debug:
    msg: "{{ item.topology }}"
  loop: "{{ tarviks.devices | selectattr('settings.pa-output', 'defined')
            | selectattr('settings.pa-output', 'equalto', 'on') }}"
'''

RETURN = r'''
devices:
  description: The Tarviks, in the order of C(tarvikctl list).
  returned: always
  type: list
  elements: dict
  contains:
    index:
      description: Its index in C(tarvikctl list).
      type: int
      sample: 0
    node:
      description: Its device node or interface path.
      type: str
      sample: /dev/hidraw3
    topology:
      description: Its USB topology path; null where it is not known.
      type: str
      sample: "1-4.2"
    product_id:
      description: Its USB product ID.
      type: str
      sample: "0x4021"
    firmware:
      description: Its firmware version; null when it could not be read.
      type: str
      sample: "2.10"
    accessible:
      description: Whether this user may open it.
      type: bool
      sample: true
    settings:
      description: Every setting by tarvikctl's names and values; null when
        they could not be read (then C(error) says why).
      type: dict
      sample: {"gain-l": "+3dB", "pa-output": "off", "usb-speed": "hi-speed"}
    error:
      description: Why the settings could not be read.
      type: str
      returned: when the settings could not be read
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tarvik.configurator.plugins.module_utils.tarvikctl import (
    DEVICE_ARGUMENT_SPEC, DEVICE_MUTUALLY_EXCLUSIVE, find_executable, global_arguments, run)


def names_device(selector, entry):
    return selector in (str(entry.get('index')), entry.get('path'), entry.get('interface'),
                        entry.get('topology'))


def read_settings(path):
    with open(path) as handle:
        return json.load(handle).get('settings')


def main():
    module = AnsibleModule(
        argument_spec=DEVICE_ARGUMENT_SPEC,
        mutually_exclusive=DEVICE_MUTUALLY_EXCLUSIVE,
        supports_check_mode=True,
    )
    executable = find_executable(module)
    selector = module.params['device']
    listed = run(module, global_arguments(module, executable, 'none') + ['list'])[1]
    entries = listed.get('devices') or []
    if selector:
        entries = [entry for entry in entries if names_device(selector, entry)]
        if not entries:
            module.fail_json(msg='no attached Tarvik is %s' % selector, devices=[])

    # The settings by node: one save per device, or one save --all.
    saved = {}
    errors = {}
    if selector:
        path = os.path.join(module.tmpdir, 'tarvik.json')
        output = run(module, global_arguments(module, executable) + ['save', path])[1]
        for entry in entries:
            saved[entry.get('path')] = read_settings(output.get('file', path))
    elif entries:
        folder = os.path.join(module.tmpdir, 'saved')
        summary = run(module, global_arguments(module, executable, 'all') + ['save', folder],
                      ok_codes=range(256))[1]
        for device in summary.get('devices') or []:
            output = device.get('output') or {}
            if device.get('result') == 'ok' and output.get('file'):
                saved[device.get('interface')] = read_settings(output['file'])
            else:
                errors[device.get('interface')] = '%s (exit %s)' % (device.get('error'),
                                                                    device.get('exitCode'))

    devices = []
    for entry in entries:
        node = entry.get('path')
        device = dict(index=entry.get('index'), node=node, topology=entry.get('topology'),
                      product_id=entry.get('productId'), firmware=entry.get('firmware'),
                      accessible=entry.get('accessible'), settings=saved.get(node))
        if node in errors:
            device['error'] = errors[node]
        devices.append(device)
    module.exit_json(changed=False, devices=devices)


if __name__ == '__main__':
    main()
