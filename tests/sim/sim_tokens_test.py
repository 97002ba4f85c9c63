"""What the sim says of a token before a run, and the waiting list's channel by token: the main
job's host answers no push registration, so a token that puts the user on the waiting list must
get a list that calls back by SMS.

Run with Debian's interpreter: /usr/bin/python3 -m unittest discover -s tests/sim -p '*_test.py'.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sim"))

from kavoni_sim import fixtures, tokens  # noqa: E402


class TokenDescriptionTest(unittest.TestCase):
    def test_each_kind_of_token_is_told_apart(self):
        cases = (
            # token, verdict, a phrase the lines must hold, why
            ("DEVAGENTIDENT0001", tokens.OUTCOME, "\"identification\"", "an agent plays it"),
            ("DEVAGENTWAITING0001", tokens.OUTCOME, "(status 4", "the list ends the run"),
            ("DEVAGENTFAILS0001", tokens.OUTCOME, "(status 1)", "the agent fails it"),
            ("DEVPHOTO0001", tokens.OUTCOME, "photo identification", "no agent needed"),
            ("DEVCLOSED0001", tokens.OUTCOME, "office is closed", "ends at the initialisation"),
            ("DEVFULL0001", tokens.OUTCOME, "waiting list by SMS", "ends on the enrolment"),
            ("DEVFULL-NOTIFIED0001", tokens.TIME_OUT, "goes on as after a start", "a 429 for a notified user"),
            ("DEV0001", tokens.TIME_OUT, "no agent plays", "a call nobody answers"),
            ("DEVNOVIDEO0001", tokens.TIME_OUT, "no agent plays", "NOVIDEO is not AGENTNOVIDEO"),
            ("DEVNOSIGN0001", tokens.TIME_OUT, "time-out (status 2)", "the status is said"),
            ("ABC123", tokens.UNSERVED, "production environment", "not a sim token"),
            ("TST0001", tokens.UNSERVED, "test environment", "another environment's hosts"),
            ("dev0001", tokens.UNSERVED, "does not start with \"DEV\"", "the prefix is exact"),
        )
        for token, verdict, phrase, why in cases:
            with self.subTest(token=token, why=why):
                got, lines = tokens.describe(token)
                self.assertEqual(got, verdict)
                self.assertIn(phrase, " ".join(lines))

    def test_the_command_line_exits_with_the_verdict(self):
        self.assertEqual(tokens.main(["DEV0001"]), tokens.TIME_OUT)
        self.assertEqual(tokens.main([]), 64)


class WaitingListChannelTest(unittest.TestCase):
    def channel(self, identifier):
        settings = fixtures.customer_configuration(identifier)["settings"]
        return settings["waitingList"]["ios"]["channel"], settings["ios"]["notificationChannel"]

    def test_a_forced_waiting_list_goes_by_sms_and_the_others_by_push(self):
        self.assertEqual(self.channel("DEVFULL0001"), ("SMS", "SMS"))
        self.assertEqual(self.channel("DEV0001"), ("PUSH", "PUSH"))
        self.assertEqual(self.channel("vellumbank"), ("PUSH", "PUSH"))
        # The fixture itself is not changed by a token's copy.
        self.assertEqual(fixtures.CUSTOMER_CONFIGURATIONS["vellumbank"]["settings"]["ios"]
                         ["notificationChannel"], "PUSH")

    def test_a_configuration_without_a_waiting_list_gets_none(self):
        settings = fixtures.customer_configuration("DEVFULL-PLAIN1")["settings"]
        self.assertNotIn("waitingList", settings)
        self.assertNotIn("notificationChannel", settings["ios"])


if __name__ == "__main__":
    unittest.main()
