"""What the Python end-to-end tests share: named steps that count their failures, and a bounded
wait for a state."""
import time

failures = []


def step(title, body):
    try:
        body()
        print("ok:", title)
    except AssertionError as error:
        failures.append(title)
        print("FAILED:", title, "-", error)


def wait_for(what, condition, seconds=90):
    """Polls `condition` until it gives a true value, which it returns, for at most `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("never happened: " + what)
