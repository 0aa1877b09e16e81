# Reads each message file with Python's email package and prints, as one JSON
# object, what a tolerant line-oriented reader should agree on.
import base64, email, json, os, sys

def text(payload):
    return payload.replace('\r\n', '\n').split('\n') if payload else []

out = {}
folder = sys.argv[1]
for name in sorted(os.listdir(folder)):
    if not (name.startswith('msg_') and name.endswith('.txt')):
        continue
    raw = open(os.path.join(folder, name), 'rb').read()
    if any(b > 127 for b in raw):
        continue
    m = email.message_from_bytes(raw)
    cte = (m.get('content-transfer-encoding') or '').lower()
    entry = {'subject': m.get('subject')}
    if not m.is_multipart() and 'multipart' not in m.get_content_type():
        if 'base64' in cte:
            entry['kind'] = 'single64'
            entry['data'] = base64.b64encode(m.get_payload(decode=True) or b'').decode()
        else:
            entry['kind'] = 'single'
            body = m.get_payload()
            entry['lines'] = text(body[:-1] if body.endswith('\n') else body)
    elif m.is_multipart() and not any(p.is_multipart() for p in m.get_payload()) \
            and m.get_param('boundary') and not m.defects:
        parts = m.get_payload()
        entry['kind'] = 'flat'
        first = parts[0].get_payload()
        entry['lines'] = text(first)
        entry['parts'] = []
        for p in parts[1:]:
            pcte = (p.get('content-transfer-encoding') or '').lower()
            if 'base64' in pcte:
                entry['parts'].append({'data': base64.b64encode(p.get_payload(decode=True) or b'').decode()})
            else:
                entry['parts'].append({'text': p.get_payload()})
    else:
        entry['kind'] = 'other'
    out[name] = entry
print(json.dumps(out))
